#pragma once
// The host list of the host-detection page: one row per host, the running
// number as the row's text and six sub-items after it.

class QTreeWidget;

namespace hosts {

// Column of each field of a host row; sub-item n is column n.
namespace host_column {
constexpr int Number = 0;
constexpr int Address = 1;
constexpr int HostName = 2;
constexpr int User = 3;
constexpr int Site = 4;
constexpr int Floor = 5;
constexpr int Room = 6;
constexpr int Count = 7;
}  // namespace host_column

// Gives Lv_hosts its seven columns (keys, header texts, widths) and the
// report-view look: plain rows, whole-row selection, fixed header order.
void SetUpHostList(QTreeWidget& Lv_hosts);

}  // namespace hosts
