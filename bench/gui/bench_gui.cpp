// Costs of the desktop pieces that run often or on the main thread: a new entry in a full log as
// the Log page's list sees it, painting one screen of that list's cells, and decoding the
// notification window's picture (each window decodes it anew), and the Information page taking
// a list of 100 000 domains. Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <string>

#include "eventlog/EventLog.h"
#include "gui/DomainPage.h"
#include "gui/JpegImage.h"
#include "gui/LogListModel.h"
#include "runtime/ManualClock.h"

namespace {

using kelbrin::eventlog::EventLog;
using kelbrin::gui::LogListModel;

void fill(EventLog& log) {
  for (std::size_t i = 0; i < kelbrin::eventlog::LogList::kCapacity; ++i) {
    log.AddLog(static_cast<std::uint8_t>(i % 3),
               "IP updates successfully：203.0.113." + std::to_string(i % 250));
  }
}

void BM_AddLogToFullListWithModel(benchmark::State& state) {
  kelbrin::runtime::ManualClock clock;
  EventLog log(clock, [] { return true; });
  LogListModel model(log.List());
  fill(log);
  for (auto _ : state) log.AddLog(0, "Clear log！");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddLogToFullListWithModel);

// One visible screen: about 12 rows of three columns, text and icon.
void BM_ModelDataForOneScreen(benchmark::State& state) {
  kelbrin::runtime::ManualClock clock;
  EventLog log(clock, [] { return true; });
  LogListModel model(log.List());
  fill(log);
  for (auto _ : state) {
    for (int row = 500; row < 512; ++row) {
      for (int column = 0; column < LogListModel::kColumnCount; ++column) {
        benchmark::DoNotOptimize(model.index(row, column).data(Qt::DisplayRole));
      }
      benchmark::DoNotOptimize(model.index(row, 0).data(Qt::DecorationRole));
    }
  }
}
BENCHMARK(BM_ModelDataForOneScreen);

void BM_DecodeHintBackground(benchmark::State& state) {
  QFile file(QStringLiteral(":/pictures/ANIMATE_BKGROUND_BMP"));
  kelbrin::gui::JpegImage::FromResource(QStringLiteral("ANIMATE_BKGROUND_BMP"));  // registers
  if (!file.open(QIODevice::ReadOnly)) {
    state.SkipWithError("picture missing from the resources");
    return;
  }
  const QByteArray bytes = file.readAll();
  for (auto _ : state) benchmark::DoNotOptimize(kelbrin::gui::JpegImage::Decode(bytes));
}
BENCHMARK(BM_DecodeHintBackground);

// A new list for the shown page: the tree rebuilt and expanded, the root selected and its lines
// filled. Two snapshots take turns, so every iteration is a real refill.
void BM_DomainPageTakesLongList(benchmark::State& state) {
  std::shared_ptr<const kelbrin::protocol::TGetServiceListResp> lists[2];
  for (auto& list : lists) {
    auto reply = std::make_shared<kelbrin::protocol::TGetServiceListResp>();
    for (int i = 0; i < state.range(0); ++i) {
      kelbrin::protocol::TDomainInfoSchema domain;
      domain.DomainName = "host" + std::to_string(i);
      domain.SuffixName = ".example.net";
      domain.EndDate = i % 2 ? "20991231" : "20200101";
      domain.ResourceInfos.resize(2);
      reply->DomainInfos.push_back(std::move(domain));
    }
    list = std::move(reply);
  }
  kelbrin::gui::DomainPage page({});
  page.resize(520, 250);
  page.show();
  int turn = 0;
  for (auto _ : state) {
    page.ShowServiceList(lists[turn]);
    QCoreApplication::processEvents();
    turn = 1 - turn;
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DomainPageTakesLongList)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);  // icons and pixmaps need a GUI application
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
