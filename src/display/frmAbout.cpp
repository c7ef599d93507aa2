#include "frmAbout.h"

#include "Twips.h"
#include "platform/SystemInfo.h"
#include "quillet/Version.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <array>

namespace quillet::display {

namespace {

using platform::SystemServices;

// The etched separator: a grey line with a two-pixel white line below it.
class EtchedLine : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(0, 0, width(), 1, QColor(128, 128, 128));
        painter.fillRect(0, 1, width(), 2, Qt::white);
    }
};

QLabel* makeLabel(QWidget* parent, const QString& text, const QRect& geometry, bool black) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    if (black) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(palette);
    }
    return label;
}

} // namespace

frmAbout::frmAbout(platform::SystemServices& system, platform::MessageBox& messageBox,
                   QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_system(system), m_messageBox(messageBox) {
    const QString appTitle = QString::fromUtf8(version::appTitle);
    setModal(true);
    setFixedSize(5730 / 15, 3555 / 15);
    setWindowTitle(QStringLiteral("About ") + appTitle);

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(twipRect(120, 240, 750, 675));
    picIcon->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picIcon->setLineWidth(2);
    picIcon->setAlignment(Qt::AlignCenter);
    picIcon->setPixmap(QPixmap(QStringLiteral(":/emblem.png")));

    auto* lblTitle = makeLabel(this, appTitle, twipRect(1050, 240, 3885, 480), true);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);

    auto* lblVersion = makeLabel(this,
                                 QStringLiteral("Version %1.%2.%3")
                                     .arg(version::major)
                                     .arg(version::minor)
                                     .arg(version::revision),
                                 twipRect(1050, 780, 3885, 225), false);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    auto* lblDescription = makeLabel(
        this, QStringLiteral("A utility for making DC6-images and editing DC6 animations."),
        twipRect(1050, 1125, 3885, 1170), true);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));

    auto* separator = new EtchedLine(this);
    separator->setGeometry(90 / 15, 2445 / 15, (5654 - 90) / 15, 3);

    auto* lblDisclaimer = makeLabel(this, QStringLiteral("Thanks to all modders."),
                                    twipRect(255, 2625, 870, 825), true);
    lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    QFont smallFont = lblDisclaimer->font();
    smallFont.setPointSizeF(smallFont.pointSizeF() * 0.8);
    lblDisclaimer->setFont(smallFont);

    auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twipRect(4245, 2625, 1260, 345));
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setGeometry(twipRect(4260, 3075, 1245, 345));
    cmdSysInfo->setAutoDefault(false);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    // Labels and the picture take no focus, so Tab moves between the two
    // buttons; the chain still lists every control in the designed order.
    const std::array<QWidget*, 7> tabOrder = {cmdOK,         picIcon,  cmdSysInfo, lblDescription,
                                              lblDisclaimer, lblTitle, lblVersion};
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    cmdOK->setFocus();
}

void frmAbout::StartSysInfo() {
    if (platform::StartSysInfo(m_system))
        return;
    m_messageBox.show(QStringLiteral("System Information Is Unavailable At This Time"),
                      QString::fromUtf8(version::appTitle), platform::Buttons::Ok,
                      platform::Icon::None);
}

bool frmAbout::GetKeyValue(std::uint32_t KeyRoot, const std::string& KeyName,
                           const std::string& SubKeyRef, std::string& KeyVal) {
    return platform::GetKeyValue(m_system, KeyRoot, KeyName, SubKeyRef, KeyVal);
}

} // namespace quillet::display
