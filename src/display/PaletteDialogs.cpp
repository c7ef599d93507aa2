#include "PaletteDialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cstdlib>

namespace quillet::display {

namespace {

QSpinBox* indexBox(const char* name, int value) {
    auto* box = new QSpinBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, 255);
    box->setValue(value);
    return box;
}

// The entries `first` .. `last` side by side, in the order written; wide
// enough for each of all 256 to stay a visible stripe.
QPixmap runPicture(const QList<QRgb>& colours, int first, int last) {
    QPixmap strip(384, 20);
    QPainter painter(&strip);
    const int count = std::abs(last - first) + 1;
    for (int k = 0; k < count; ++k) {
        const int left = k * strip.width() / count;
        const int index = first + (last < first ? -k : k);
        painter.fillRect(left, 0, (k + 1) * strip.width() / count - left, strip.height(),
                         QColor(colours.value(index)));
    }
    painter.drawRect(0, 0, strip.width() - 1, strip.height() - 1);
    return strip;
}

} // namespace

RemapDialog::RemapDialog(const QString& title, const QList<QRgb>& colours,
                         const platform::RemapRequest& start, platform::RemapPreview preview,
                         QWidget* parent)
    : QDialog(parent), m_colours(colours), m_preview(std::move(preview)),
      m_from(indexBox("remapFrom", start.from)),
      m_fromLast(indexBox("remapFromLast", start.fromLast)), m_to(indexBox("remapTo", start.to)),
      m_toLast(indexBox("remapToLast", start.toLast)),
      m_reverse(new QCheckBox(QStringLiteral("&Reverse the source"))), m_source(new QLabel),
      m_destination(new QLabel) {
    setWindowTitle(title);
    m_reverse->setObjectName(QStringLiteral("remapReverse"));
    m_reverse->setChecked(start.reverse);
    const auto range = [](QSpinBox* first, QSpinBox* last) {
        auto* row = new QHBoxLayout;
        row->addWidget(first);
        row->addWidget(new QLabel(QStringLiteral("to")));
        row->addWidget(last);
        row->addStretch(1);
        return row;
    };
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Source entries:"), range(m_from, m_fromLast));
    form->addRow(QString(), m_source);
    form->addRow(QStringLiteral("&Destination entries:"), range(m_to, m_toLast));
    form->addRow(QString(), m_destination);
    form->addRow(QString(), m_reverse);
    auto* note = new QLabel(QStringLiteral(
        "The ends of the source go to the ends of the destination, the entries between spread "
        "evenly, and indices outside the source stay. Protected entries are written too."));
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QSpinBox* box : {m_from, m_fromLast, m_to, m_toLast})
        connect(box, &QSpinBox::valueChanged, this, &RemapDialog::changed);
    connect(m_reverse, &QCheckBox::toggled, this, &RemapDialog::changed);
    changed();
}

platform::RemapRequest RemapDialog::request() const {
    return {m_from->value(), m_fromLast->value(), m_to->value(), m_toLast->value(),
            m_reverse->isChecked()};
}

void RemapDialog::changed() {
    const platform::RemapRequest now = request();
    // The source as it is laid on, so each colour stands over the one it becomes.
    const int first = now.reverse ? now.fromLast : now.from;
    const int last = now.reverse ? now.from : now.fromLast;
    m_source->setPixmap(runPicture(m_colours, first, last));
    m_source->setAccessibleDescription(QStringLiteral("entries %1 to %2").arg(first).arg(last));
    m_destination->setPixmap(runPicture(m_colours, now.to, now.toLast));
    m_destination->setAccessibleDescription(
        QStringLiteral("entries %1 to %2").arg(now.to).arg(now.toLast));
    if (m_preview)
        m_preview(now);
}

UsageDialog::UsageDialog(const QString& title, const QList<QRgb>& colours, int selected,
                         std::function<platform::IndexCounts(bool)> count,
                         std::function<void(int, bool)> selectUsers, QWidget* parent)
    : QDialog(parent), m_colours(colours), m_count(std::move(count)),
      m_selected(new QRadioButton(QStringLiteral("&Selected frames (%1)").arg(selected))),
      m_summary(new QLabel), m_table(new QTableWidget(256, 4)) {
    setWindowTitle(title);
    auto* whole = new QRadioButton(QStringLiteral("&Whole document"));
    whole->setChecked(true);
    m_selected->setObjectName(QStringLiteral("usageSelected"));
    m_table->setObjectName(QStringLiteral("usageTable"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Index"), QStringLiteral("Colour"),
                                        QStringLiteral("Pixels"), QStringLiteral("Frames")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setToolTip(QStringLiteral("Double-click an index to select the frames using it"));
    auto* scope = new QHBoxLayout;
    scope->addWidget(whole);
    scope->addWidget(m_selected);
    scope->addStretch(1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(scope);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_selected, &QRadioButton::toggled, this, &UsageDialog::fill);
    connect(m_table, &QTableWidget::cellDoubleClicked, this,
            [this, selectUsers](int row, int) { selectUsers(row, m_selected->isChecked()); });
    fill();
    m_table->resizeColumnsToContents();
    resize(420, 480);
}

void UsageDialog::fill() {
    const platform::IndexCounts counts = m_count(m_selected->isChecked());
    const QLocale locale;
    int used = 0;
    for (int index = 0; index < 256; ++index) {
        const auto at = static_cast<std::size_t>(index);
        const bool unused = counts.pixels[at] == 0;
        used += !unused;
        const QString texts[] = {QString::number(index), QColor(m_colours.value(index)).name(),
                                 locale.toString(static_cast<qulonglong>(counts.pixels[at])),
                                 unused ? QStringLiteral("unused")
                                        : locale.toString(counts.frames[at])};
        for (int column = 0; column < 4; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            if (column >= 2)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (unused)
                item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            if (column == 1)
                item->setData(Qt::DecorationRole, QColor(m_colours.value(index)));
            m_table->setItem(index, column, item);
        }
    }
    m_summary->setText(
        QStringLiteral("%1 of 256 entries used, counted as a save writes the frames.").arg(used));
}

std::optional<platform::RemapRequest>
PaletteDialogQuestions::ask(const QString& title, const QList<QRgb>& colours,
                            const platform::RemapRequest& start,
                            const platform::RemapPreview& preview) {
    RemapDialog dialog(title, colours, start, preview, m_parent);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    preview(std::nullopt);
    if (!accepted)
        return std::nullopt;
    return dialog.request();
}

void PaletteDialogQuestions::show(const QString& title, const QList<QRgb>& colours, int selected,
                                  const std::function<platform::IndexCounts(bool)>& count,
                                  const std::function<void(int, bool)>& selectUsers) {
    UsageDialog(title, colours, selected, count, selectUsers, m_parent).exec();
}

} // namespace quillet::display
