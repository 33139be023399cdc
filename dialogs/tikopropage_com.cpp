#include "dialogs/tikopropage_com.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRadialGradient>
#include <QSignalBlocker>
#include <algorithm>

#include "dialogs/message_asker.h"
#include "timeservices/time_telegram.h"
#include "treestore/conf_schema.h"
#include "treestore/record_format.h"
#include "windowkit/access_keys.h"
#include "windowkit/accessible_text.h"
#include "windowkit/runtime_bridge.h"

namespace {

constexpr int kMinCompensationMs = 10;
constexpr int kMaxCompensationMs = 990;
// The telegram has two digits per field; minutes and seconds are reduced, the hour is not.
constexpr int kMaxHour = 99;

constexpr char kBadTime[] =
    "전송할 시각이 올바르지 않습니다.\n시는 0부터 99까지, 분과 초는 0 이상으로 입력하십시오.";
constexpr const char* kBauds[] = {"1200", "2400", "4800"};
constexpr const char* kUnits[] = {"초", "분"};

// Layout in dialog units.
constexpr QRect kPortGroup{7, 5, 236, 28};
constexpr QRect kPorts[4] = {{16, 17, 44, 10}, {72, 17, 44, 10}, {128, 17, 44, 10}, {184, 17, 44, 10}};
constexpr QRect kBaudLabel{10, 44, 44, 8};
constexpr QRect kBaud{56, 41, 46, 13};
constexpr QRect kCompLabel{120, 44, 44, 8};
constexpr QRect kComp{166, 41, 34, 13};
constexpr QRect kCompUnit{204, 44, 30, 8};
constexpr QRect kAuto{10, 70, 62, 10};
constexpr QRect kEvery{76, 71, 12, 8};
constexpr QRect kInterval{90, 68, 30, 13};
constexpr QRect kUnit{124, 68, 30, 13};
constexpr QRect kEveryTail{158, 71, 60, 8};
constexpr QRect kManual{10, 96, 62, 10};
constexpr QRect kTimes[3] = {{76, 94, 22, 13}, {112, 94, 22, 13}, {148, 94, 22, 13}};
constexpr QRect kTimeLabels[3] = {{100, 97, 11, 8}, {136, 97, 11, 8}, {172, 97, 11, 8}};
constexpr QRect kSend{76, 115, 58, 15};
constexpr QRect kLamp{142, 116, 12, 12};

// A lamp of the page's own: a grey disc when off, a lit green one when on.
QPixmap LampPicture(bool on) {
    constexpr int side = 16;
    QPixmap picture(side, side);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(1, 1, side - 2, side - 2);
    QRadialGradient light(disc.center() - QPointF(side / 6.0, side / 6.0), side / 1.6);
    light.setColorAt(0, on ? QColor(200, 255, 200) : QColor(220, 220, 220));
    light.setColorAt(1, on ? QColor(0, 170, 0) : QColor(110, 110, 110));
    painter.setBrush(light);
    painter.setPen(QPen(QColor(60, 60, 60), 1));
    painter.drawEllipse(disc);
    return picture;
}

// C's atoi, widened so that a long run of digits cannot wrap into a small number.
int64_t Number(const QLineEdit* edit) {
    return treerecord::ParseTime(edit->text().toStdString());
}

}  // namespace

CTikoProPage_Com::CTikoProPage_Com(const ShellContext& context, IMainFrame&, IMessageAsker& asker,
                                   QWidget* parent)
    : CSetupPage(QStringLiteral("시각전송"), parent), context_(context), asker_(asker) {
    Place(new QGroupBox(QStringLiteral("포트 설정")), kPortGroup);
    constexpr int kPortIds[4] = {1089, 1093, 1094, 1095};
    for (int i = 0; i < 4; ++i) {
        // Alt and the port's number tick it; the caption reads as before.
        ports_[i] = Place(new QCheckBox(QStringLiteral("COM &%1").arg(i + 1)), kPorts[i], kPortIds[i]);
        ports_[i]->setAccessibleName(QStringLiteral("COM %1").arg(i + 1));
    }

    auto label = [this](const char* text, const QRect& dlu, int id = 0) {
        return Place(new QLabel(QString::fromUtf8(text)), dlu, id);
    };
    label("전송 속도", kBaudLabel);
    baud_ = Place(new QComboBox, kBaud, 1024);
    for (const char* b : kBauds)
        baud_->addItem(QString::fromUtf8(b));
    baud_->setAccessibleName(QStringLiteral("전송 속도"));
    RenewAccessibleInterface(baud_);
    label("보상 시간", kCompLabel);
    compensation_ = Place(new QLineEdit, kComp, 1096);
    compensation_->setAccessibleName(QStringLiteral("보상 시간"));
    label("msec", kCompUnit);

    auto_ = Place(new QCheckBox(QStringLiteral("자동  모드")), kAuto, 1077);
    autoLabels_[0] = label("매", kEvery, 1080);
    interval_ = Place(new QLineEdit, kInterval, 1079);
    interval_->setAccessibleName(QStringLiteral("전송 간격"));
    unit_ = Place(new QComboBox, kUnit, 1087);
    for (const char* u : kUnits)
        unit_->addItem(QString::fromUtf8(u));
    unit_->setAccessibleName(QStringLiteral("간격 단위"));
    RenewAccessibleInterface(unit_);
    autoLabels_[1] = label("마다 전송", kEveryTail, 1081);

    manual_ = Place(new QCheckBox(QStringLiteral("수동 모드")), kManual, 1088);
    // Either one or the other: a reader is told so.
    ExposeAsRadioButton(auto_);
    ExposeAsRadioButton(manual_);
    constexpr int kTimeIds[3] = {1084, 1085, 1086};
    constexpr int kTimeLabelIds[3] = {1090, 1091, 1092};
    constexpr const char* kTimeCaptions[3] = {"시", "분", "초"};
    for (int i = 0; i < 3; ++i) {
        time_[i] = Place(new QLineEdit, kTimes[i], kTimeIds[i]);
        time_[i]->setAccessibleName(QString::fromUtf8(kTimeCaptions[i]));
        timeLabels_[i] = label(kTimeCaptions[i], kTimeLabels[i], kTimeLabelIds[i]);
    }
    send_ = Place(new QPushButton(QStringLiteral("전송")), kSend, 1078);
    lamp_ = Place(new QLabel, kLamp, 1101);
    lamp_->setAlignment(Qt::AlignCenter);
    lamp_->setAccessibleName(QStringLiteral("전송 표시등"));
    SetLamp(false);
    SetAccessKeys(*this, access_keys::kComPage);

    Open();

    for (int i = 0; i < 4; ++i) {
        connect(ports_[i], &QCheckBox::toggled, this, [this, i](bool ticked) {
            if (Class_TIKOCONF_COMM* comm = Comm()) {
                std::atomic<int32_t>* flags[4] = {&comm->bCom1, &comm->bCom2, &comm->bCom3, &comm->bCom4};
                flags[i]->store(ticked ? 1 : 0);
            }
        });
    }
    connect(baud_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (Class_TIKOCONF_COMM* comm = Comm(); comm != nullptr && index >= 0)
            comm->nBaudRate.store(treerecord::ParseInt(baud_->itemText(index).toStdString()));
    });
    connect(compensation_, &QLineEdit::textChanged, this, [this] {
        if (Class_TIKOCONF_COMM* comm = Comm())
            comm->nCompensationMs.store(static_cast<int32_t>(
                std::clamp<int64_t>(Number(compensation_), kMinCompensationMs, kMaxCompensationMs)));
    });
    connect(interval_, &QLineEdit::textChanged, this, [this] {
        if (Class_TIKOCONF_COMM* comm = Comm()) {
            const int64_t n = Number(interval_);
            comm->nInterval.store(n > 0 ? static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX)) : 1);
        }
    });
    connect(unit_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (Class_TIKOCONF_COMM* comm = Comm(); comm != nullptr && index >= 0)
            comm->nIntervalUnit.store(index);
    });
    // The two boxes are a pair: either one, ticked or unticked, picks the mode.
    connect(auto_, &QCheckBox::toggled, this, [this](bool ticked) { SetMode(ticked, true); });
    connect(manual_, &QCheckBox::toggled, this, [this](bool ticked) { SetMode(!ticked, true); });
    connect(send_, &QPushButton::clicked, this, &CTikoProPage_Com::Send);

    lampOff_.setSingleShot(true);
    lampOff_.setInterval(kLampFlashMs);
    connect(&lampOff_, &QTimer::timeout, this, [this] { SetLamp(false); });

    if (context_.bridge != nullptr)
        connect(context_.bridge, &CRuntimeBridge::serialSent, this, [this] {
            SetLamp(true);
            lampOff_.start();
        });
}

Class_TIKOCONF_COMM* CTikoProPage_Com::Comm() const {
    return context_.conf != nullptr ? context_.conf->Comm() : nullptr;
}

void CTikoProPage_Com::Open() {
    for (QLineEdit* edit : time_)
        edit->setText(QStringLiteral("0"));
    const Class_TIKOCONF_COMM* comm = Comm();
    if (comm == nullptr) {
        SetMode(false, false);
        return;
    }
    compensation_->setText(QString::number(comm->nCompensationMs.load()));
    interval_->setText(QString::number(comm->nInterval.load()));
    const int32_t flags[4] = {comm->bCom1.load(), comm->bCom2.load(), comm->bCom3.load(), comm->bCom4.load()};
    for (int i = 0; i < 4; ++i)
        ports_[i]->setChecked(flags[i] != 0);
    const int32_t unit = comm->nIntervalUnit.load();
    unit_->setCurrentIndex(unit >= 0 && unit < unit_->count() ? unit : -1);
    // A stored speed that is not in the list selects nothing and stays as it is.
    baud_->setCurrentIndex(baud_->findText(QString::number(comm->nBaudRate.load()), Qt::MatchExactly));
    SetMode(comm->bAutoMode.load() != 0, false);
}

void CTikoProPage_Com::SetMode(bool automatic, bool publish) {
    {
        // The other box follows without being taken for a change of its own.
        const QSignalBlocker blockAuto(auto_);
        const QSignalBlocker blockManual(manual_);
        auto_->setChecked(automatic);
        manual_->setChecked(!automatic);
    }
    for (QWidget* w : {static_cast<QWidget*>(interval_), static_cast<QWidget*>(unit_),
                       static_cast<QWidget*>(autoLabels_[0]), static_cast<QWidget*>(autoLabels_[1])})
        w->setEnabled(automatic);
    for (int i = 0; i < 3; ++i) {
        time_[i]->setEnabled(!automatic);
        timeLabels_[i]->setEnabled(!automatic);
    }
    send_->setEnabled(!automatic);
    if (!publish)
        return;
    context_.bridge->SetAutoSend(automatic);
}

void CTikoProPage_Com::Send() {
    const int64_t hour = Number(time_[0]);
    const int64_t minute = Number(time_[1]);
    const int64_t second = Number(time_[2]);
    // Anything else would make the text longer than the telegram's seven characters.
    if (hour < 0 || hour > kMaxHour || minute < 0 || second < 0) {
        asker_.Tell(this, QString::fromUtf8(kBadTime));
        return;
    }
    const TimeTelegram bytes = BuildTimeTelegram(static_cast<int>(hour), static_cast<int>(minute % 60),
                                                 static_cast<int>(second % 60));
    CommSendRequest request;
    std::copy(bytes.begin(), bytes.end(), request.bytes);
    request.count = static_cast<int32_t>(bytes.size());
    // The manager gets its own copy, so it never reads a page that has closed meanwhile.
    context_.bridge->SendSerial(request);
}

void CTikoProPage_Com::SetLamp(bool on) {
    lampOn_ = on;
    lamp_->setPixmap(LampPicture(on));
    lamp_->setAccessibleDescription(on ? QStringLiteral("켜짐") : QStringLiteral("꺼짐"));
    emit lampChanged(on);
}
