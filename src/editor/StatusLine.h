#pragma once

#include <QObject>

class QLabel;
class QMainWindow;

namespace quillet::document {
class Document;
}

namespace quillet::editor {

// The main window's status line: the document's name and whether it is
// modified, the current frame's direction, and for a few seconds what a
// command reports. The two labels are permanent, so a report never hides
// them; within the fixed window the name is shortened in its middle and a
// long note at its end (whole in its tooltip), and the mark always shows.
class StatusLine : public QObject {
    Q_OBJECT
public:
    StatusLine(QMainWindow& window, const document::Document& doc);

    // Brings both labels up to date and shares the line out again.
    void update();

private:
    QString directionNote() const;

    QMainWindow& m_window;
    const document::Document& m_doc;
    QLabel* m_document;
    QLabel* m_direction;
};

} // namespace quillet::editor
