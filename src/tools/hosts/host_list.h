#pragma once
// The host list of the host-detection page: one row per host, the running
// number as the row's text and six sub-items after it.

#include "tools/hosts/host_columns.h"

class QTreeWidget;

namespace hosts {

// Gives Lv_hosts its seven columns (header texts, widths) and the
// report-view look: plain rows, whole-row selection, fixed header order.
void setUpHostList(QTreeWidget& Lv_hosts);

}  // namespace hosts
