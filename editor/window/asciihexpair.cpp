#include "asciihexpair.h"

#include <QLineEdit>

namespace {

// The rule runs on every keystroke; restyling an unchanged field would re-polish it for nothing.
void setActive(QLineEdit *field, bool active) {
    field->setEnabled(active);
    const QString sheet =
        active ? QStringLiteral("background-color: white") : QStringLiteral("background-color: lightgray");
    if (field->styleSheet() != sheet)
        field->setStyleSheet(sheet);
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
