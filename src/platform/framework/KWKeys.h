#pragma once

class QKeyEvent;

namespace KW {

// A plain letter or digit (A-Z, 0-9, the keypad's digits), with no Ctrl,
// Alt or Meta held: the keys that start the keyboard spirit.
bool isKeyCharOrNum(const QKeyEvent* event);

} // namespace KW
