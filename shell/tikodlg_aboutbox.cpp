#include "shell/tikodlg_aboutbox.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>

#include "shell/help_text.h"
#include "windowkit/access_keys.h"
#include "windowkit/window_layout.h"

namespace {
// Dialog resource 137, in dialog units.
constexpr QSize kAboutSize{244, 166};
constexpr QRect kBlank{95, 6, 45, 8};
constexpr QRect kText{5, 20, 235, 120};
constexpr QRect kOk{195, 146, 45, 14};
}  // namespace

CTikoDlg_AboutBox::CTikoDlg_AboutBox(QWidget* parent, std::filesystem::path helpFile) : QDialog(parent) {
    setWindowTitle(QStringLiteral("표준시 정보"));
    QFont font(QStringLiteral("굴림"));
    // One point above the other dialogs: 10, or more on a desktop set to larger text.
    font.setPointSizeF(DialogFont().pointSizeF() + 1.0);
    setFont(font);
    const DialogBaseUnits units = BaseUnitsOf(font);
    setFixedSize(DluToPixels(kAboutSize, units));

    auto* blank = new QLabel(this);
    blank->setGeometry(DluToPixels(kBlank, units));

    text_ = new QPlainTextEdit(this);
    text_->setGeometry(DluToPixels(kText, units));
    text_->setReadOnly(true);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setAccessibleName(QStringLiteral("도움말"));

    ok_ = new QPushButton(QStringLiteral("확인"), this);
    ok_->setGeometry(DluToPixels(kOk, units));
    ok_->setDefault(true);
    ok_->setAccessibleName(ok_->text());
    SetAccessKey(*ok_, access_keys::kAboutBox[0].key);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    if (helpFile.empty())
        helpFile = kHelpFileName;
    const std::optional<std::string> help = ReadHelpText(helpFile);
    QString shown = QString::fromUtf8(help ? *help : std::string(kHelpUnreadableText));
    text_->setPlainText(shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

QString CTikoDlg_AboutBox::HelpText() const {
    return text_->toPlainText();
}

void CTikoDlg_AboutBox::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        FitInsideScreen(*this);
    QDialog::showEvent(event);
}
