#pragma once

#include "sprite/Palette.h"

#include <QList>
#include <QObject>
#include <optional>

class QAction;

namespace quillet::editor {

class CommandContext;

// Settings > Select palette... and Transform palette: the document palette,
// read from a palette file or a picture's colour table, and whether frames
// are drawn through it; and the palette the editor starts with.
class PaletteCommands : public QObject {
    Q_OBJECT
public:
    explicit PaletteCommands(CommandContext& context);

    // In Settings menu order.
    QList<QAction*> actions() const { return {m_select, m_transform}; }
    QAction* transformAction() const { return m_transform; }

    // "default.pal" in `folder`, or the built-in palette when that cannot be read.
    void loadStartupPalette(const QString& folder);
    void selectPalette();
    void transformPalette(); // inverts the check mark, as the menu item does

signals:
    // Select palette... ended without a palette: cancelled, or the file was refused.
    void nothingChosen();
    // Transform palette changed how the frames are drawn.
    void transformChanged();

private:
    std::optional<Palette> readChosenPalette(const QString& path);
    void transformToggled();

    CommandContext& m_context;
    QAction* m_select;
    QAction* m_transform;
};

} // namespace quillet::editor
