#include "dialogs/tikopropage_syncinfo.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "dialogs/message_asker.h"
#include "encoding/cp949.h"
#include "platform/clock_setting.h"
#include "timeservices/clock_right.h"
#include "treestore/conf_schema.h"
#include "windowkit/access_keys.h"

namespace {

constexpr char kNoBrowser[] = "웹브라우저를 실행할 수 없습니다";

// Layout in dialog units.
constexpr QRect kLastSyncLabel{10, 15, 50, 8};
constexpr QRect kLastSync{62, 12, 178, 13};
constexpr QRect kLastOffsetLabel{10, 35, 50, 8};
constexpr QRect kLastOffset{62, 32, 178, 13};
constexpr QRect kServerLabel{10, 55, 50, 8};
constexpr QRect kServer{62, 52, 178, 30};
constexpr QRect kClockAuthority{10, 86, 230, 16};
constexpr QRect kService{62, 104, 178, 16};

QString Shown(const CLumText& field) {
    // The stored text breaks its line the Windows way.
    return QString::fromStdString(encoding::Cp949ToUtf8Lossy(field.Get()))
        .replace(QStringLiteral("\r\n"), "\n");
}

}  // namespace

CTikoProPage_SyncInfo::CTikoProPage_SyncInfo(const ShellContext& context, IMainFrame& frame,
                                             IMessageAsker& asker, QWidget* parent)
    : CSetupPage(QStringLiteral("동기정보"), parent), frame_(frame), asker_(asker) {
    auto labelled = [this](auto* control, const char* caption, const QRect& labelDlu, const QRect& dlu,
                           int id) {
        auto* label = Place(new QLabel(QString::fromUtf8(caption)), labelDlu);
        label->setBuddy(control);
        control->setReadOnly(true);
        control->setAccessibleName(label->text());
        return Place(control, dlu, id);
    };
    lastSync_ = labelled(new QLineEdit, "마지막 동기", kLastSyncLabel, kLastSync, 1003);
    lastOffset_ = labelled(new QLineEdit, "최종 편차", kLastOffsetLabel, kLastOffset, 1004);
    server_ = labelled(new QPlainTextEdit, "접속 서버", kServerLabel, kServer, 1006);
    server_->setLineWrapMode(QPlainTextEdit::NoWrap);
    server_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Who may set the clock here and whether the system keeps it itself, as the page opens.
    const platform::TimeServiceState state = platform::ReadTimeServiceState();
    clockAuthority_ = Place(
        new QLabel(QString::fromStdString(ClockAuthorityLine(state, platform::CurrentClockAuthority(state)))),
        kClockAuthority);
    clockAuthority_->setWordWrap(true);
    auto* service =
        Place(new QPushButton(QStringLiteral("표준시 서버 홈페이지 (pool.ntp.org)")), kService, 1013);
    service->setAutoDefault(false);
    SetAccessKeys(*this, access_keys::kSyncInfoPage);
    connect(service, &QPushButton::clicked, this, &CTikoProPage_SyncInfo::OpenServicePage);

    // Shown as they were when the sheet opened; the page does not follow later results.
    if (const Class_TIKOCONF_SYNCINFO* info = context.conf != nullptr ? context.conf->SyncInfo() : nullptr) {
        lastSync_->setText(Shown(info->strLastSync));
        lastOffset_->setText(Shown(info->strLastOffset));
        server_->setPlainText(Shown(info->strServer));
    }
}

void CTikoProPage_SyncInfo::OpenServicePage() {
    if (!frame_.OpenWebPage(QString::fromUtf8(kServiceAddress)))
        asker_.Tell(this, QString::fromUtf8(kNoBrowser));
}

QString CTikoProPage_SyncInfo::ClockAuthorityText() const {
    return clockAuthority_->text();
}
