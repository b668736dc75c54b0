#include "sysinfo/SysInfoTree.h"

#include <exception>

#include "runtime/Translate.h"

namespace kelbrin::sysinfo {
namespace {

using runtime::Translate;

SysInfoNode& AddChild(SysInfoNode& parent, std::string text, int image) {
  parent.children.push_back({std::move(text), image, {}});
  return parent.children.back();
}

// Every step appends below `root`; a step that throws leaves the earlier nodes in place.
void Build(TSysInfo& sysInfo, SysInfoNode& root) {
  const std::vector<TRConnInfo> connections = sysInfo.RefreshConnections();
  root = {Translate("System Information"), kImageSystem, {}};

  SysInfoNode& os = AddChild(root, Translate("OS: ") + sysInfo.GetOSName(), kImageOs);
  AddChild(os, Translate("Version: ") + sysInfo.GetOSVersion(), kImageDetail);

  SysInfoNode& cpus = AddChild(
      root, Translate("CPU Numbers: ") + std::to_string(sysInfo.GetCPUCount()), kImageCpus);
  TCpuInfoArray cpuList;
  sysInfo.GetCPUList(cpuList);
  for (const TCPUInfo& cpu : cpuList) {
    AddChild(cpus, Translate("CPU: ") + cpu.Name, kImageCpu);
    AddChild(cpus, Translate("Basic Frequency : ") + std::to_string(cpu.MHz) + " MHZ",
             kImageDetail);
  }

  SysInfoNode& memory = AddChild(root, Translate("Memory Information"), kImageMemory);
  AddChild(memory, Translate("physical Memory: ") + KbText(sysInfo.GetTotalMemoryKB()) + " KB",
           kImageMemoryValue);
  AddChild(memory, Translate("Available Memory: ") + KbText(sysInfo.GetAvailMemoryKB()) + " KB",
           kImageMemoryValue);

  SysInfoNode& network = AddChild(root, Translate("Network Information"), kImageNetwork);
  SysInfoNode& nic = AddChild(network, Translate("NIC"), kImageCard);
  TAdapterArray cards;
  sysInfo.GetNetworkCards(cards);
  for (const std::string& card : cards) AddChild(nic, card, kImageCard);
  AddChild(network, Translate("Net Connection: ") + ConnNames(connections), kImageNetwork);
}

void Render(const SysInfoNode& node, int depth, std::string& text) {
  text.append(static_cast<std::size_t>(depth) * 2, ' ');
  text += node.text + "\n";
  for (const SysInfoNode& child : node.children) Render(child, depth + 1, text);
}

}  // namespace

SysInfoTree BuildSysInfoTree(TSysInfo& sysInfo) {
  SysInfoTree tree;
  try {
    Build(sysInfo, tree.root);
  } catch (const std::exception& error) {
    tree.error = error.what();
  }
  return tree;
}

std::string RenderSysInfoTree(const SysInfoNode& root) {
  std::string text;
  Render(root, 0, text);
  return text;
}

int WriteSysInfoTree(TSysInfo& sysInfo, std::ostream& out, std::ostream& err) {
  const SysInfoTree tree = BuildSysInfoTree(sysInfo);
  out << RenderSysInfoTree(tree.root) << std::flush;
  if (!tree.error) return 0;
  err << runtime::Translate("System Information: ") << *tree.error << std::endl;
  return 1;
}

}  // namespace kelbrin::sysinfo
