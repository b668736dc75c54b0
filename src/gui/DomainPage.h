#pragma once

#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "protocol/TGetServiceListResp.h"

class QLabel;
class QPushButton;
class QTreeView;

namespace kelbrin::gui {

class DomainTreeModel;
class LinkLabel;

// TabSheet3, "Information": the subscriber's domain names and their DNS records as a tree
// (TreeViewDNS), the lines that explain the selected node (lab1, lab2, lab3, lab7 about the
// domain, lab5 and lab6 about the record), the link to the vendor's domain page (Label10) and
// "Refresh " (suiButton1). It shows the service-list snapshot it is handed and never talks to
// the service itself. Main thread only.
class DomainPage final : public QWidget {
  Q_OBJECT

 public:
  // What the page asks of the rest of the client; the composition root wires each.
  struct Seams {
    // The session mark: a session is logged in.
    std::function<bool()> IsOnline{};
    // Starts a new service-list fetch; its answer comes back through ShowServiceList.
    std::function<void()> RefreshServiceList{};
    // The state page's side of a click on the root: the IP label emptied, then "Please register
    // first！" in the State label for a list without domains, else the current address.
    std::function<void()> ShowRootState{};
    // A box with the information icon, owned by the main window.
    std::function<void(const std::string& caption, const std::string& text)> ShowInfoBox{};
    // Switches the main window to its first page ("User State").
    std::function<void()> ShowStatePage{};
    // The local date; the system's when not set.
    std::function<std::chrono::year_month_day()> Today{};
  };

  explicit DomainPage(Seams seams, QWidget* parent = nullptr);

  // The session's current list. A new snapshot rebuilds the tree, selects the root and shows
  // its lines; the same snapshot again changes nothing; none (after a logout) empties the tree
  // and the lines.
  void ShowServiceList(std::shared_ptr<const protocol::TGetServiceListResp> list);

  // While a service-list fetch is under way "Refresh " is disabled and the page shows the busy
  // cursor; a focused Refresh hands the focus to the tree meanwhile and gets it back after.
  void ShowFetching(bool fetching);

  // Rebuilds the tree from `list` and expands the root.
  void FillDomainTree(std::shared_ptr<const protocol::TGetServiceListResp> list);
  // Fills the lines for the selected node; nothing without a selection.
  void TreeViewDNSClick();
  // "Refresh ": a new list while logged in, otherwise "Please login first！".
  void btRefreshDomainInfoClick();
  // Opens the vendor's domain page.
  void Label10Click();
  // The logout's clearing: no nodes, lab1 empty, the other lines "-".
  void Clear();

 private:
  void ShowDomainLines(const protocol::TDomainInfoSchema& domain);
  std::chrono::year_month_day Today() const;

  Seams seams_;
  DomainTreeModel* model_;
  QTreeView* TreeViewDNS;
  QLabel* lab1;
  QLabel* lab2;
  QLabel* lab3;
  QLabel* lab7;
  QLabel* lab5;
  QLabel* lab6;
  LinkLabel* Label10;
  QPushButton* suiButton1;
  bool refocusRefresh_ = false;
};

}  // namespace kelbrin::gui
