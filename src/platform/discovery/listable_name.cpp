#include "platform/discovery/listable_name.h"

#include <QChar>

namespace platform::discovery {

bool isListableName(QStringView name, qsizetype maxLength) {
    if (name.isEmpty() || name.size() > maxLength) return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t character = name[i].unicode();
        if (QChar::isHighSurrogate(character) && i + 1 < name.size() &&
            name[i + 1].isLowSurrogate()) {
            character = QChar::surrogateToUcs4(name[i], name[i + 1]);
            ++i;
        }
        if (!QChar::isPrint(character) || character == QChar::ReplacementCharacter) return false;
        // Printable to Qt, yet they break a row's text onto a second line.
        const QChar::Category category = QChar::category(character);
        if (category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            return false;
    }
    return true;
}

}  // namespace platform::discovery
