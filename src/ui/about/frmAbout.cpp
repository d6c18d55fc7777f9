#include "ui/about/frmAbout.h"

#include "platform/Components.h"
#include "platform/process/Version.h"
#include "ui/about/AboutText.h"
#include "ui/about/LinkLabel.h"
#include "ui/common/Twips.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

// The pictures live in this static library; without an explicit reference the
// linker would drop their registration.
static void InitAboutResources()
{
    Q_INIT_RESOURCE(AboutResources);
}

namespace ze6 {

namespace {

constexpr int kClientWidth = 6045;
constexpr int kClientHeight = 4620;
constexpr double kDesignPointSize = 8.25;
constexpr double kLinkPointSize = 8.25;
constexpr double kTitlePointSize = 13.5;
// The hand's fingertip in the 32 x 32 link pointer.
constexpr int kPointerHotX = 10;
constexpr int kPointerHotY = 1;

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFrame* MakeLine(QWidget* parent, const char* name, QPalette::ColorRole colour)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::NoFrame);
    line->setAutoFillBackground(true);
    line->setBackgroundRole(colour);
    return line;
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    InitAboutResources();
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    // The six lines of the maker's block fit their label only at the design size.
    QFont designFont = font();
    designFont.setPointSizeF(kDesignPointSize);
    setFont(designFont);
    setFixedSize(TwipsToPixels(kClientWidth, logicalDpiX()), TwipsToPixels(kClientHeight, logicalDpiY()));

    // Created in tab order: the OK button comes first.
    m_cmdOk = new QPushButton(QStringLiteral("&OK"), this);
    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    m_cmdOk->setDefault(true);
    Place(m_cmdOk, 2385, 4080, 1215, 375);
    connect(m_cmdOk, &QPushButton::clicked, this, &QDialog::accept);

    // The banner is wider than the box on purpose: the right edge cuts it off.
    m_banner = new QLabel(this);
    m_banner->setObjectName(QStringLiteral("Image1"));
    const QPixmap banner(QStringLiteral(":/about/banner.png"));
    m_banner->setPixmap(banner);
    m_banner->setGeometry(0, 0, banner.width(), banner.height());

    m_lblAppTitle = new QLabel(this);
    m_lblAppTitle->setObjectName(QStringLiteral("lblAppTitle"));
    m_lblAppTitle->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont titleFont = m_lblAppTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(kTitlePointSize);
    m_lblAppTitle->setFont(titleFont);
    Place(m_lblAppTitle, 120, 960, 5775, 375);

    m_lblVersion = new QLabel(this);
    m_lblVersion->setObjectName(QStringLiteral("lblVersion"));
    m_lblVersion->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Place(m_lblVersion, 120, 1320, 5775, 255);

    m_lblCompanyInfo = new QLabel(this);
    m_lblCompanyInfo->setObjectName(QStringLiteral("lblCompanyInfo"));
    m_lblCompanyInfo->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_lblCompanyInfo->setTextFormat(Qt::PlainText);
    Place(m_lblCompanyInfo, 2970, 1800, 2895, 1335);

    const QCursor linkPointer(QPixmap(QStringLiteral(":/about/link-pointer.png")), kPointerHotX, kPointerHotY);
    const auto makeLink = [this, &linkPointer](const char* name, int top) {
        auto* link = new LinkLabel(this);
        link->setObjectName(QString::fromLatin1(name));
        link->setAlignment(Qt::AlignRight | Qt::AlignTop);
        link->setTextFormat(Qt::PlainText);
        QFont font = link->font();
        font.setUnderline(true);
        font.setPointSizeF(kLinkPointSize);
        link->setFont(font);
        QPalette palette = link->palette();
        palette.setColor(QPalette::WindowText, Qt::blue);
        link->setPalette(palette);
        link->setCursor(linkPointer);
        Place(link, 3000, top, 2895, 255);
        return link;
    };
    m_lblWebsite = makeLink("lblWebsite", 3240);
    m_lblEmail = makeLink("lblEmail", 3600);
    connect(m_lblWebsite, &LinkLabel::clicked, this, &frmAbout::lblWebsite_Click);
    connect(m_lblEmail, &LinkLabel::clicked, this, &frmAbout::lblEmail_Click);

    // A dark line with a light one under it reads as an etched separator.
    Place(MakeLine(this, "Line1", QPalette::Dark), 120, 3960, 5760, 15);
    Place(MakeLine(this, "Line2", QPalette::Light), 120, 3975, 5760, 15);

    Form_Load();
}

void frmAbout::Place(QWidget* control, int left, int top, int width, int height) const
{
    const double dpiX = logicalDpiX();
    const double dpiY = logicalDpiY();
    control->setGeometry(TwipsToPixels(left, dpiX), TwipsToPixels(top, dpiY), TwipsToPixels(width, dpiX),
                         std::max(1, TwipsToPixels(height, dpiY)));
}

void frmAbout::Form_Load()
{
    m_lblAppTitle->setText(QString::fromUtf8(kApplicationTitle));
    m_lblVersion->setText(FromUtf8(AboutText::VersionText(kVersionMajor, kVersionMinor, kVersionRevision)));
    m_lblCompanyInfo->setText(FromUtf8(AboutText::CompanyInfoText()));
    m_lblWebsite->setText(QString::fromUtf8(AboutText::kWebAddress));
    m_lblEmail->setText(QString::fromUtf8(AboutText::kMailAddress));
}

void frmAbout::lblWebsite_Click()
{
    GetComponents().CreateLinkOpener()->Open(m_lblWebsite->text().toStdString());
}

void frmAbout::lblEmail_Click()
{
    GetComponents().CreateLinkOpener()->Open(AboutText::MailLink(m_lblEmail->text().toStdString(), kApplicationTitle));
}

} // namespace ze6
