#include "shell/lumstatic_color.h"

#include <QApplication>
#include <QPainter>

#include "shell/clock_texts.h"
#include "treestore/conf_schema.h"
#include "windowkit/runtime_bridge.h"

CLumStatic_Color::CLumStatic_Color(const ShellContext& context, QWidget* parent)
    : QLabel(parent),
      context_(context),
      text_(QApplication::palette().color(QPalette::ButtonText)),
      back_(QApplication::palette().color(QPalette::Button)) {
    if (context_.bridge != nullptr)
        connect(context_.bridge, &CRuntimeBridge::messageColoursChanged, this,
                &CLumStatic_Color::ApplyConfiguredColors);
    RenewAccessibleInterface(this);
}

void CLumStatic_Color::ShowMessage(const QString& text) {
    setText(text);
    message_ = text;
    AnnounceShownText(this);
}

void CLumStatic_Color::SetTextColor(int32_t colorRef) {
    text_ = colorRef == -1 ? QApplication::palette().color(QPalette::ButtonText) : ColorFromRef(colorRef);
    update();
}

void CLumStatic_Color::SetBkColor(int32_t colorRef) {
    back_ = colorRef == -1 ? QApplication::palette().color(QPalette::Button) : ColorFromRef(colorRef);
    update();
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
