#include "StatusLine.h"

#include "document/Document.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <algorithm>

namespace quillet::editor {

namespace {

// The status bar's own margins and the gaps between its parts, with room to spare.
constexpr int kGaps = 16;

QLabel* permanentLabel(QStatusBar& bar, const char* name) {
    auto* label = new QLabel(&bar);
    label->setObjectName(QString::fromLatin1(name));
    bar.addPermanentWidget(label);
    return label;
}

} // namespace

StatusLine::StatusLine(QMainWindow& window, const document::Document& doc)
    : QObject(&window), m_window(window), m_doc(doc) {
    QStatusBar& bar = *window.statusBar();
    bar.setSizeGripEnabled(false);
    m_document = permanentLabel(bar, "lblDocument");
    m_direction = permanentLabel(bar, "lblDirection");
    connect(&bar, &QStatusBar::messageChanged, this, &StatusLine::update);
}

QString StatusLine::directionNote() const {
    const int directions = m_doc.directions();
    const int count = m_doc.frameCount();
    if (count > 0 && directions == 1)
        return QStringLiteral("1 direction");
    if (count > 0 && count % directions == 0) {
        const int perDirection = count / directions;
        const int index = std::clamp(m_doc.curFrame(), 1, count) - 1;
        return QStringLiteral("Direction %1 of %2, frame %3 of %4")
            .arg(index / perDirection + 1)
            .arg(directions)
            .arg(index % perDirection + 1)
            .arg(perDirection);
    }
    if (count > 0)
        return QStringLiteral("%1 directions, but %2 frames are not a multiple of %1")
            .arg(directions)
            .arg(count);
    return {};
}

void StatusLine::update() {
    const QFontMetrics metrics(m_document->font());
    const QString report = m_window.statusBar()->currentMessage();
    const QString& fileName = m_doc.fileName();
    const QString mark = m_doc.isModified() ? QStringLiteral(" (modified)") : QString();
    const QString name =
        fileName.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(fileName).fileName();
    const QString note = directionNote();
    // The line is as wide as the fixed window. A report gets what it needs,
    // up to a third; the name and its mark keep at least a quarter of what
    // is left beside them; the note has the rest, the name all it leaves.
    const int room = m_window.centralWidget()->width() - kGaps;
    const int reportWidth =
        report.isEmpty() ? 0 : std::min(metrics.horizontalAdvance(report) + kGaps, room / 3);
    const int markWidth = metrics.horizontalAdvance(mark);
    const int nameLeast = std::min(metrics.horizontalAdvance(name) + 2, (room - reportWidth) / 4);
    const int noteWidth =
        std::min(metrics.horizontalAdvance(note), room - reportWidth - markWidth - nameLeast);
    const int nameRoom = room - reportWidth - noteWidth;
    m_direction->setText(metrics.elidedText(note, Qt::ElideRight, noteWidth));
    m_direction->setToolTip(note);
    m_direction->setFixedWidth(noteWidth);
    m_direction->setVisible(!note.isEmpty());

    const QString shown =
        metrics.elidedText(name, Qt::ElideMiddle, std::max(0, nameRoom - markWidth)) + mark;
    m_document->setText(shown);
    m_document->setToolTip(QDir::toNativeSeparators(fileName));
    // Without a report the name fills the line from the left; with one it
    // leaves the report what it does not need.
    m_document->setFixedWidth(report.isEmpty() ? nameRoom : metrics.horizontalAdvance(shown) + 1);
}

} // namespace quillet::editor
