#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "ProbeLine.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "lines/LineAssertion.h"
#include "lines/LineReaper.h"
#include "lines/TActiveLine.h"
#include "lines/TCNCLine.h"
#include "lines/TLineFactory.h"
#include "runtime/ManualClock.h"

namespace kelbrin::lines {
namespace {

using namespace std::chrono_literals;
using test::ProbeLine;
using test::ProbeRecord;

constexpr runtime::Duration kInterval = 10000ms;

class LineModel : public ::testing::Test {
 protected:
  LineModel() : factory_(Environment()) {}

  LineEnvironment Environment() {
    LineEnvironment environment;
    environment.clock = &clock_;
    environment.keepInterval = kInterval;
    environment.connectionAdapterIndex = [this](const std::string& name) {
      return name == "Portal LAN" ? adapterIndex_.load() : 0u;
    };
    environment.rawRequest = [this](std::string_view method, std::string_view url,
                                    std::string_view) {
      std::lock_guard guard(requestsMutex_);
      requests_.push_back(std::string(method) + " " + std::string(url));
      return std::string();
    };
    environment.portalProbeUrl = "http://probe.test/";
    return environment;
  }

  // The dial-up slot filled with a probe kind that acts (or not) on keep-alive passes.
  void RegisterProbe(bool acts) {
    factory_.RegisterClass("TDailLine", [this, acts](const LineEnvironment& environment) {
      return std::make_unique<ProbeLine>(environment, record_, acts);
    });
  }

  // Lets one keep-alive interval pass once the worker sits in its wait.
  void PassOneInterval() {
    ASSERT_TRUE(clock_.WaitForWaiters(1));
    clock_.Advance(kInterval);
  }

  // Lets intervals pass until the worker has made its `count`th check and finished that pass. The
  // worker may not have seen a change of KeepActive yet when the first interval passes; it then
  // needs one more.
  bool AdvanceUntilCheck(int count) {
    for (int attempt = 0; attempt < 50; ++attempt) {
      if (!clock_.WaitForWaiters(1)) return false;
      clock_.Advance(kInterval);
      // Back in a wait with its deadline ahead means the pass is over, SetActive included.
      if (record_->WaitForGetActive(count, 50ms)) return clock_.WaitForWaiters(1);
    }
    return false;
  }

  std::vector<std::string> Requests() {
    std::lock_guard guard(requestsMutex_);
    return requests_;
  }

  runtime::ManualClock clock_;
  std::shared_ptr<ProbeRecord> record_ = std::make_shared<ProbeRecord>();
  std::atomic<std::uint32_t> adapterIndex_{0};
  std::mutex requestsMutex_;
  std::vector<std::string> requests_;
  TLineFactory factory_;
};

TEST_F(LineModel, CreateLineByTypeIndex) {
  EXPECT_EQ(factory_.CreateLine(-1), nullptr);
  EXPECT_EQ(factory_.CreateLine(4), nullptr);
  EXPECT_EQ(factory_.CreateLine(0), nullptr);  // no dial-up kind registered

  const char* const described[] = {nullptr, "ClassName: TCNCLine", "ClassName: TCableModelLine",
                                   "ClassName: TLanLine"};
  for (int index = 1; index <= 3; ++index) {
    const LinePtr line = factory_.CreateLine(index);
    ASSERT_NE(line, nullptr) << index;
    EXPECT_EQ(line->Describe(), described[index]);
    EXPECT_FALSE(line->KeepActive());
    EXPECT_EQ(line->AdptIndex(), 0u);
    EXPECT_TRUE(line->Errors().empty());
    EXPECT_EQ(line->GetIpAddress(), "");
    EXPECT_EQ(line->Connect(), 0);
    EXPECT_EQ(line->Disconnect(), 0);
    EXPECT_TRUE(line->Authenticate());
  }

  RegisterProbe(true);
  const LinePtr dialUp = factory_.CreateLine(0);
  ASSERT_NE(dialUp, nullptr);
  EXPECT_EQ(dialUp->Describe(), "ClassName: TDailLine");
  EXPECT_FALSE(dialUp->KeepActive());
  EXPECT_TRUE(clock_.WaitForWaiters(1));  // its worker runs already

  factory_.RegisterClass("TLanLine", [](const LineEnvironment&) -> std::unique_ptr<TBaseLine> {
    throw std::runtime_error("cannot construct");
  });
  EXPECT_EQ(factory_.CreateLine(3), nullptr);
}

TEST_F(LineModel, LineTypeNamesAndCredentials) {
  std::vector<std::string> names{"ADSL", "ISDN"};
  TLineFactory::GetLineTypeNames(&names);
  EXPECT_EQ(names, (std::vector<std::string>{"Virtual Dial-up", "Web Authorization", "Cable Modem",
                                             "Lan"}));
  try {
    TLineFactory::GetLineTypeNames(nullptr);
    ADD_FAILURE() << "no assertion for a missing list";
  } catch (const LineAssertion& failure) {
    EXPECT_EQ(failure.Module(), "LBase");
  }
  const std::pair<int, bool> cases[] = {{-1, true}, {0, true},  {1, true},
                                        {2, true},  {3, false}, {4, true}};
  for (const auto& [index, needs] : cases) {
    EXPECT_EQ(TLineFactory::NeedsCredentials(index), needs) << index;
  }
}

TEST_F(LineModel, ConnectionNamesTakeTheDialUpEntriesAndDropTheShellPseudoEntries) {
  const kelbrin::test::TempDir noNmcli;
  const kelbrin::test::ScopedEnv path("PATH", noNmcli.path().string());
  ConnectionSources sources;
  sources.dialUpEntries = [] {
    return std::vector<platform::NetConnection>{{"  Create new connection  ", 0},
                                                {"create new connection", 0},
                                                {"Connection wizard", 0},
                                                {"ADSL Home", 0}};
  };
  std::vector<std::string> names{"stale"};
  TLineFactory::GetConnectionNames(&names, sources);
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(names.end() - 2, names.end()),
            (std::vector<std::string>{"create new connection", "ADSL Home"}));
  EXPECT_EQ(std::count(names.begin(), names.end(), "stale"), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), "lo"), 0);
  EXPECT_THROW(TLineFactory::GetConnectionNames(nullptr, sources), LineAssertion);
}

TEST_F(LineModel, KeepAliveChecksEveryIntervalOnlyWhileKeepActiveIsOn) {
  RegisterProbe(true);
  const LinePtr line = factory_.CreateLine(0);
  ASSERT_NE(line, nullptr);

  // Off: the worker never wakes, however long it waits.
  ASSERT_TRUE(clock_.WaitForWaiters(1));
  for (int i = 0; i < 50; ++i) clock_.Advance(kInterval);
  ASSERT_TRUE(clock_.WaitForWaiters(1));
  EXPECT_EQ(record_->GetActiveCalls(), 0);

  line->SetKeepActive(true);
  ASSERT_TRUE(AdvanceUntilCheck(1));
  ASSERT_TRUE(AdvanceUntilCheck(2));
  {
    std::lock_guard guard(record_->mutex);
    EXPECT_EQ(record_->setActiveTrue, 2);  // down each time, so brought up each time
    record_->active = true;
  }
  ASSERT_TRUE(AdvanceUntilCheck(3));
  {
    std::lock_guard guard(record_->mutex);
    EXPECT_EQ(record_->setActiveTrue, 2);  // up: left alone
  }

  line->SetKeepActive(false);
  for (int i = 0; i < 5; ++i) PassOneInterval();
  ASSERT_TRUE(clock_.WaitForWaiters(1));
  EXPECT_EQ(record_->GetActiveCalls(), 3);
}

TEST_F(LineModel, AChangeOfLinksChecksAnUpLineAtOnceWhileRetriesKeepTheInterval) {
  RegisterProbe(true);
  const LinePtr line = factory_.CreateLine(0);
  ASSERT_NE(line, nullptr);
  const auto setLineUp = [this](bool up) {
    std::lock_guard guard(record_->mutex);
    record_->active = up;
  };
  const auto redials = [this] {
    std::lock_guard guard(record_->mutex);
    return record_->setActiveTrue;
  };
  setLineUp(true);
  line->SetKeepActive(true);
  ASSERT_TRUE(AdvanceUntilCheck(1));
  EXPECT_EQ(redials(), 0);

  // The link drops: the change is heard with the clock standing still.
  setLineUp(false);
  line->LinkChanged();
  ASSERT_TRUE(record_->WaitForGetActive(2, 10s));
  ASSERT_TRUE(clock_.WaitForWaiters(1));
  EXPECT_EQ(redials(), 1);

  // The redial did not bring it up: more changes do not make the worker dial again before the
  // interval has passed.
  line->LinkChanged();
  line->LinkChanged();
  EXPECT_FALSE(record_->WaitForGetActive(3, 300ms));
  ASSERT_TRUE(AdvanceUntilCheck(3));
  EXPECT_EQ(redials(), 2);
}

TEST_F(LineModel, AKindWithNothingToDoNeverWakesItsWorker) {
  RegisterProbe(false);
  const LinePtr line = factory_.CreateLine(0);
  line->SetKeepActive(true);
  for (int i = 0; i < 50; ++i) PassOneInterval();
  ASSERT_TRUE(clock_.WaitForWaiters(1));
  EXPECT_EQ(record_->GetActiveCalls(), 0);

  const LinePtr cableModem = factory_.CreateLine(2);
  cableModem->SetKeepActive(true);
  EXPECT_FALSE(cableModem->GetActive());
  EXPECT_FALSE(cableModem->KeepAliveActs());
  EXPECT_FALSE(factory_.CreateLine(3)->KeepAliveActs());
  EXPECT_TRUE(factory_.CreateLine(3)->GetActive());
  EXPECT_FALSE(factory_.CreateLine(1)->KeepAliveActs());
}

TEST_F(LineModel, DestroyingALineEndsItsWorkerForGood) {
  RegisterProbe(true);
  LinePtr line = factory_.CreateLine(0);
  line->SetKeepActive(true);
  ASSERT_TRUE(AdvanceUntilCheck(1));
  ASSERT_TRUE(clock_.WaitForWaiters(1));

  line.reset();
  EXPECT_EQ(clock_.WaiterCount(), 0u);  // the worker has ended, not just paused
  for (int i = 0; i < 5; ++i) clock_.Advance(kInterval);
  EXPECT_EQ(record_->GetActiveCalls(), 1);
}

TEST_F(LineModel, HolderStartsAppliesAndSwitchesKeepAlive) {
  RegisterProbe(true);
  TActiveLine holder(factory_);
  EXPECT_EQ(holder.Line(), nullptr);
  EXPECT_FALSE(holder.Authenticate());

  holder.StartLine(0, "ADSL Home", "secret", "user");
  ASSERT_NE(holder.Line(), nullptr);
  EXPECT_EQ(holder.Line()->EntryName(), "ADSL Home");
  EXPECT_EQ(holder.Line()->UserName(), "user");
  EXPECT_EQ(holder.Line()->Password(), "secret");
  EXPECT_TRUE(holder.Line()->KeepActive());
  EXPECT_TRUE(holder.KeepActive());
  EXPECT_EQ(record_->authenticate, 1);

  holder.Apply(0, "ADSL Home", "secret", "user");  // the same values: nothing happens
  EXPECT_EQ(record_->created, 1);
  EXPECT_EQ(record_->authenticate, 1);

  holder.SetKeepActive(false);  // the auto-connect box cleared
  EXPECT_FALSE(holder.Line()->KeepActive());

  holder.Apply(0, "ADSL Home", "Secret", "user");  // only the password differs
  EXPECT_EQ(record_->created, 2);
  EXPECT_EQ(record_->authenticate, 2);
  // Saving changed values does not override the cleared box.
  EXPECT_FALSE(holder.Line()->KeepActive());
  EXPECT_FALSE(holder.KeepActive());
  EXPECT_EQ(holder.Line()->Password(), "Secret");
  holder.SetKeepActive(true);
  holder.Apply(0, "ADSL Home", "Secret", "admin");
  EXPECT_TRUE(holder.Line()->KeepActive());
  EXPECT_EQ(record_->authenticate, 3);

  record_->failAuthenticate = true;
  EXPECT_FALSE(holder.Authenticate());  // the failure is dropped
  EXPECT_EQ(record_->authenticate, 4);

  holder.FreeLine();
  EXPECT_EQ(holder.Line(), nullptr);
  holder.SetKeepActive(true);
  holder.SetKeepActive(false);
  EXPECT_FALSE(holder.KeepActive());
}

// A line whose end waits until the test lets it go, as a portal line's end waits for its logins.
class SlowToEndLine : public ProbeLine {
 public:
  SlowToEndLine(const LineEnvironment& environment, std::shared_ptr<ProbeRecord> record,
                std::shared_future<void> release)
      : ProbeLine(environment, std::move(record), true), release_(std::move(release)) {}
  ~SlowToEndLine() override { release_.wait(); }

 private:
  std::shared_future<void> release_;
};

// With the reaper, replacing a line does not wait for the old one's end; its keep-alive is off at
// once, and what waits for the end runs after it.
TEST_F(LineModel, AReplacedLineEndsOffTheHoldersThread) {
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  factory_.RegisterClass("TDailLine", [this, released](const LineEnvironment& environment) {
    return std::make_unique<SlowToEndLine>(environment, record_, released);
  });
  LineReaper reaper;
  TActiveLine holder(factory_, [&reaper](LinePtr line) { reaper.Free(std::move(line)); });
  holder.StartLine(0, "ADSL Home", "secret", "user");
  TBaseLine* first = holder.Line();

  holder.Apply(0, "ADSL Home", "changed", "user");
  ASSERT_NE(holder.Line(), nullptr);
  EXPECT_NE(holder.Line(), first);
  EXPECT_EQ(record_->created, 2);
  EXPECT_FALSE(first->KeepActive());  // still alive, no longer kept
  std::promise<void> endedPromise;
  std::future<void> ended = endedPromise.get_future();
  reaper.AfterFrees([&endedPromise] { endedPromise.set_value(); });
  EXPECT_EQ(ended.wait_for(0ms), std::future_status::timeout);

  release.set_value();
  EXPECT_EQ(ended.wait_for(10s), std::future_status::ready);
  holder.FreeLine();
}

TEST_F(LineModel, KeepAliveTurnedOnWithoutALineStillStartsTheNextLineKept) {
  TActiveLine holder(factory_);
  holder.SetKeepActive(false);
  holder.SetKeepActive(true);
  EXPECT_TRUE(holder.KeepActive());
  holder.StartLine(3, "eth0", "", "");
  EXPECT_TRUE(holder.Line()->KeepActive());
}

TEST_F(LineModel, AnImpossibleTypeHoldsNoLineAndIsNotRetriedWithTheSameValues) {
  TActiveLine holder(factory_);
  holder.StartLine(3, "eth0", "", "");
  try {
    holder.Apply(7, "eth0", "", "");
    ADD_FAILURE() << "no assertion for line type 7";
  } catch (const LineAssertion& failure) {
    EXPECT_EQ(failure.Module(), "KeepLineActive");
  }
  EXPECT_EQ(holder.Line(), nullptr);
  EXPECT_EQ(holder.LineType(), 7);
  EXPECT_NO_THROW(holder.Apply(7, "eth0", "", ""));
  EXPECT_EQ(holder.Line(), nullptr);
  EXPECT_THROW(holder.StartLine(0, "x", "", ""), LineAssertion);  // dial-up not registered here
}

TEST_F(LineModel, PortalLineIsUpAndLogsInOnlyWhenItsConnectionHasAnAdapter) {
  TActiveLine holder(factory_);
  holder.StartLine(1, "Portal LAN", "pw", "user");
  EXPECT_FALSE(holder.Line()->GetActive());
  EXPECT_EQ(holder.Line()->AdptIndex(), 0u);
  holder.FreeLine();  // waits for any login it started
  EXPECT_TRUE(Requests().empty());

  adapterIndex_ = 5;
  holder.StartLine(1, "Portal LAN", "pw", "user");
  EXPECT_EQ(holder.Line()->AdptIndex(), 5u);
  EXPECT_TRUE(holder.Line()->GetActive());
  EXPECT_TRUE(holder.Authenticate());  // what a result code 1 from the service does
  holder.FreeLine();
  EXPECT_EQ(Requests(),
            (std::vector<std::string>{"GET http://probe.test/", "GET http://probe.test/"}));
}

}  // namespace
}  // namespace kelbrin::lines
