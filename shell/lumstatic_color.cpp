#include "shell/lumstatic_color.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>

#include "runtime/mediator.h"
#include "shell/clock_texts.h"
#include "treestore/conf_schema.h"

CLumStatic_Color::CLumStatic_Color(const ShellContext& context, QWidget* parent)
    : QLabel(parent),
      context_(context),
      text_(QApplication::palette().color(QPalette::ButtonText)),
      back_(QApplication::palette().color(QPalette::Button)) {
    SetName("LumStatic_Color");
    if (context_.mediator != nullptr)
        context_.mediator->Subscribe(static_cast<CLumAOSM_Observer*>(this), AO_MSGCOLOR_CHANGED_SIG);
    RenewAccessibleInterface(this);
}

void CLumStatic_Color::ShowMessage(const QString& text) {
    setText(text);
    message_ = text;
    AnnounceShownText(this);
}

CLumStatic_Color::~CLumStatic_Color() {
    if (context_.mediator != nullptr)
        context_.mediator->UnsubscribeAll(static_cast<CLumAOSM_Observer*>(this));
}

void CLumStatic_Color::SetTextColor(int32_t colorRef) {
    text_ = colorRef == -1 ? QApplication::palette().color(QPalette::ButtonText) : ColorFromRef(colorRef);
    update();
}

void CLumStatic_Color::SetBkColor(int32_t colorRef) {
    back_ = colorRef == -1 ? QApplication::palette().color(QPalette::Button) : ColorFromRef(colorRef);
    update();
}

int CLumStatic_Color::Receive(const CLumAOSM_Message* message, const char*) {
    if (message == nullptr || message->GetSignal() != AO_MSGCOLOR_CHANGED_SIG)
        return -1;
    QueueToGui(this, [](CLumStatic_Color* self) { self->ApplyConfiguredColors(); });
    return 0;
}

void CLumStatic_Color::ApplyConfiguredColors() {
    const Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr;
    if (env == nullptr)
        return;
    SetBkColor(env->crMsgBack.load());
    SetTextColor(env->crMsgText.load());
}

void CLumStatic_Color::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), back_);
    painter.setPen(text_);
    painter.setFont(font());
    painter.drawText(rect(), static_cast<int>(alignment()), text());
}
