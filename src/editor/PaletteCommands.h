#pragma once

#include "sprite/Palette.h"

#include <QList>
#include <QObject>
#include <optional>

class QAction;

namespace quillet::display {
class frmShowFrame;
}

namespace quillet::editor {

class CommandContext;
class PreviewCommands;

// Settings > Select palette... and Transform palette: the document palette,
// read from a palette file or a picture's colour table, and whether frames
// are drawn through it; and the palette the editor starts with. Also the
// protected entries, set in the preview's palette and remembered for each
// palette between runs, and View > Palette Usage....
class PaletteCommands : public QObject {
    Q_OBJECT
public:
    PaletteCommands(CommandContext& context, PreviewCommands& preview);

    // In Settings menu order.
    QList<QAction*> actions() const { return {m_select, m_transform}; }
    QAction* transformAction() const { return m_transform; }
    // For the View menu.
    QAction* usageAction() const { return m_usage; }

    // "default.pal" in `folder`, or the built-in palette when that cannot be read.
    void loadStartupPalette(const QString& folder);
    void selectPalette();
    void transformPalette(); // inverts the check mark, as the menu item does
    // Entries first .. last of the document palette become protected, or no
    // longer are; index 0 never is.
    void protect(int first, int last, bool on);
    void showUsage();

signals:
    // Select palette... ended without a palette: cancelled, or the file was refused.
    void nothingChosen();
    // Transform palette changed how the frames are drawn.
    void transformChanged();

private:
    std::optional<Palette> readChosenPalette(const QString& path);
    void transformToggled();
    void wirePreview(display::frmShowFrame* window);

    CommandContext& m_context;
    PreviewCommands& m_preview;
    QAction* m_select;
    QAction* m_transform;
    QAction* m_usage;
};

} // namespace quillet::editor
