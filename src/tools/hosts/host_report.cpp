#include "tools/hosts/host_report.h"

#include <QRegularExpression>

#include <algorithm>

#include "tools/hosts/host_columns.h"

namespace hosts {

namespace {

const QLatin1String LineEnd("\r\n");
const QLatin1String HeaderCellStart("<td bgcolor='gray'><font face='tahoma' color='white'>");
const QLatin1String CellStart("<td><font face='tahoma' color='navy'>");
const QLatin1String CellEnd("</font></td>");

// C0, DEL and C1. A C1 character's numeric reference would not even show
// it: browsers read &#128; to &#159; as Windows-1252 punctuation.
bool isControl(char32_t character) {
    return character < 0x20 || (character >= 0x7F && character <= 0x9F);
}

bool needsEscaping(QChar character) {
    const char16_t unit = character.unicode();
    return unit > 0x7E || unit < 0x20 || unit == u'&' || unit == u'<' || unit == u'>' ||
           unit == u'"' || unit == u'\'';
}

// The locale's date and time formats, as the classic general date shows
// them: years in four digits, and no time-zone name after the time.
QString generalFormat(const QString& format) {
    QString result;
    const QStringList parts = format.split(QLatin1Char('\''));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QString part = parts[i];
        if (i % 2 == 0) {  // outside quotes
            static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
            static const QRegularExpression timeZone(QStringLiteral("\\s*t+"));
            part.replace(twoDigitYear, QStringLiteral("yyyy")).remove(timeZone);
        }
        result += (i > 0 ? QStringLiteral("'") : QString()) + part;
    }
    return result.trimmed();
}

}  // namespace

QString generalDateText(const QDateTime& moment, const QLocale& locale) {
    const QString date =
        locale.toString(moment.date(), generalFormat(locale.dateFormat(QLocale::ShortFormat)));
    const QTime time = moment.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0) return date;
    return date + QLatin1Char(' ') +
           locale.toString(time, generalFormat(locale.timeFormat(QLocale::LongFormat)));
}

QString htmlText(const QString& value) {
    if (std::none_of(value.begin(), value.end(), needsEscaping)) return value;
    QString text;
    text.reserve(value.size() + 16);
    for (qsizetype i = 0; i < value.size(); ++i) {
        char32_t character = value[i].unicode();
        if (QChar::isSurrogate(character)) {
            // A pair is one character; a lone half cannot be written.
            const bool paired = QChar::isHighSurrogate(character) && i + 1 < value.size() &&
                                value[i + 1].isLowSurrogate();
            character = paired ? QChar::surrogateToUcs4(value[i], value[i + 1])
                               : char32_t(QChar::ReplacementCharacter);
            if (paired) ++i;
        }
        if (isControl(character)) continue;
        switch (character) {
            case U'&':
                text += QLatin1String("&amp;");
                break;
            case U'<':
                text += QLatin1String("&lt;");
                break;
            case U'>':
                text += QLatin1String("&gt;");
                break;
            case U'"':
                text += QLatin1String("&quot;");
                break;
            case U'\'':
                text += QLatin1String("&#39;");
                break;
            default:
                if (character > 0x7F) {
                    text += QLatin1String("&#") + QString::number(character) + QLatin1Char(';');
                } else {
                    text += QChar(static_cast<char16_t>(character));
                }
        }
    }
    return text;
}

QString HostReportDocument(const QString& caption, const QString& firstReading,
                           const QString& secondReading, const QList<QStringList>& rows) {
    const QString title = htmlText(caption);
    QString document;
    document.reserve(1024 + rows.size() * 400);
    document += QLatin1String("<html><head><title>") + title + QLatin1String("Log File: ") +
                htmlText(firstReading) + QLatin1String("</title></head>") + LineEnd;
    document += QLatin1String("<body bgcolor = '#f0f0f0'>") +
                QLatin1String("<p align='center'><h3><font face='tahoma' color='navy'>") + title +
                QLatin1String("<br>Log File: ") + htmlText(secondReading) +
                QLatin1String("</h3></font></p>") + QLatin1String("<hr color='navy'>") + LineEnd;
    document += QLatin1String("<table border='1' cellpadding='1' cellspacing='1'>");
    document += QLatin1String("<tr>");
    for (int column = host_column::FirstReported; column <= host_column::LastReported; ++column)
        document += HeaderCellStart + QLatin1String(ColumnHeaders[column].inReport) + CellEnd;
    document += QLatin1String("</tr>");
    for (const QStringList& row : rows) {
        document += QLatin1String("<tr>");
        for (int column = host_column::FirstReported; column <= host_column::LastReported; ++column)
            document +=
                CellStart + htmlText(row.value(column - host_column::FirstReported)) + CellEnd;
        document += QLatin1String("</tr>") + LineEnd;
    }
    document += QLatin1String("</table><HR color='navy'>") + LineEnd;
    return document;
}

}  // namespace hosts
