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
    }
    return true;
}

}  // namespace platform::discovery
