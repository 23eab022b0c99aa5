// The exclusivity rule of an ASCII field and its HEX partner (command, normal
// reply, error reply, command prefix): only one of them takes input, and the
// HEX field wins when both hold text.
#pragma once

class QLineEdit;

// Enables and colours the pair from their texts. With `clearDisabled` the
// field that gets disabled is emptied too (the connection settings); the row
// popup keeps it. Emptying re-emits textChanged; the rule then finds the same
// state, so connecting it to both fields' textChanged is safe.
void applyAsciiHexRule(QLineEdit *ascii, QLineEdit *hex, bool clearDisabled);
