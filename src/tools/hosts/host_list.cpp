#include "tools/hosts/host_list.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTreeWidget>

#include "ui/twips.h"

namespace hosts {

namespace {

constexpr int ColumnWidthTwips = 1440;

}  // namespace

void setUpHostList(QTreeWidget& Lv_hosts) {
    // The header is shaped before the columns exist, so that they are born at
    // their width: resizing a column, even of a hidden list, has the view lay
    // itself out on its next pass and measure every heading in bold, a font
    // that only this page needs.
    QHeaderView* columns = Lv_hosts.header();
    columns->setStretchLastSection(false);
    {
        // A new list has one column, which this resizes: unseen by the view,
        // which takes in every width when it is next shown.
        const QSignalBlocker quiet(columns);
        columns->setDefaultSectionSize(ui::twips(ColumnWidthTwips));
    }
    Lv_hosts.setColumnCount(host_column::Count);
    QTreeWidgetItem* header = Lv_hosts.headerItem();
    for (int column = 0; column < host_column::Count; ++column)
        header->setText(column, QString::fromLatin1(ColumnHeaders[column].inList));
    Lv_hosts.setRootIsDecorated(false);
    Lv_hosts.setItemsExpandable(false);
    Lv_hosts.setUniformRowHeights(true);
    Lv_hosts.setSelectionBehavior(QAbstractItemView::SelectRows);
    Lv_hosts.setSelectionMode(QAbstractItemView::SingleSelection);
    Lv_hosts.setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Sorting is the page's own (ascending, by the clicked column); the view's
    // built-in sorting would flip the direction on every click.
    Lv_hosts.setSortingEnabled(false);
    // After the line above, which makes the headings unclickable.
    columns->setSectionsClickable(true);
    // A column click names the column by its position, so positions stay put.
    columns->setSectionsMovable(false);
}

}  // namespace hosts
