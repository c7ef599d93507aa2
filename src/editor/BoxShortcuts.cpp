#include "BoxShortcuts.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace quillet::editor {

namespace {

// What a text box keeps beyond the keys without Ctrl, Alt or Meta.
constexpr struct {
    QKeyCombination key;
    bool readOnlyToo;
} kBoxKeys[] = {
    {Qt::CTRL | Qt::Key_C, true},  // Copy
    {Qt::CTRL | Qt::Key_A, true},  // Select All
    {Qt::CTRL | Qt::Key_X, false}, // Cut
    {Qt::CTRL | Qt::Key_V, false}, // Paste
};

bool boxKeeps(QKeyCombination key, bool editable) {
    const Qt::KeyboardModifiers modifiers = key.keyboardModifiers() & ~Qt::KeypadModifier;
    // Typing, and the cursor keys alone or with Shift.
    if (!(modifiers & ~Qt::ShiftModifier))
        return true;
    const QKeyCombination plain(modifiers, key.key());
    for (const auto& kept : kBoxKeys)
        if (kept.key == plain && (editable || kept.readOnlyToo))
            return true;
    return false;
}

} // namespace

BoxShortcuts::BoxShortcuts(QWidget& window) : QObject(&window) {
    for (QLineEdit* box : window.findChildren<QLineEdit*>())
        box->installEventFilter(this);
}

bool BoxShortcuts::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride)
        return false;
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box)
        return false;
    // Accepted, the key is the box's; ignored, the window's shortcuts may take it.
    event->setAccepted(
        boxKeeps(static_cast<QKeyEvent*>(event)->keyCombination(), !box->isReadOnly()));
    return true;
}

} // namespace quillet::editor
