#pragma once
// The HTML host report's text: pure functions over the caption, the two
// clock readings and the host rows, so the exact bytes can be checked.

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace hosts {

// The locale's general date: short date, a blank, long time; the date alone
// when the time is exactly midnight (to the second).
QString generalDateText(const QDateTime& moment, const QLocale& locale = QLocale::system());

// `value` made safe to stand in HTML text or in a quoted attribute, and
// plain ASCII: markup characters become entities, everything beyond ASCII a
// numeric character reference, so every browser shows it the same whatever
// encoding it assumes. Control characters (C0, DEL, C1) are dropped: no host
// name or annotation carries them, and in a report they only break lines or
// hide text.
QString htmlText(const QString& value);

// The report document, every line ending in CR LF. `rows` holds, for each
// host in list order, its sub-items from host_column::FirstReported to
// LastReported: address, name, user, site, floor, room. Every inserted value
// passes through htmlText.
QString HostReportDocument(const QString& caption, const QString& firstReading,
                           const QString& secondReading, const QList<QStringList>& rows);

}  // namespace hosts
