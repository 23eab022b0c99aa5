#include "asciihexpair.h"

#include <QLineEdit>

namespace {

void setActive(QLineEdit *field, bool active) {
    field->setEnabled(active);
    field->setStyleSheet(active ? QStringLiteral("background-color: white")
                                : QStringLiteral("background-color: lightgray"));
}

} // namespace

void applyAsciiHexRule(QLineEdit *ascii, QLineEdit *hex, bool clearDisabled) {
    if (!hex->text().isEmpty()) {
        setActive(ascii, false);
        setActive(hex, true);
        if (clearDisabled)
            ascii->clear();
    } else if (!ascii->text().isEmpty()) {
        setActive(ascii, true);
        setActive(hex, false);
        if (clearDisabled)
            hex->clear();
    } else {
        setActive(ascii, true);
        setActive(hex, true);
    }
}
