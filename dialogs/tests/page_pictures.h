#pragma once
// Looking at a dialog in tests: its picture saved for a person to open, and the captions that do
// not fit their controls.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QStringList>
#include <QWidget>
#include <filesystem>

namespace dialogs_test {

// The tests write their Korean texts as UTF-8 literals.
inline QString U(const char* text) {
    return QString::fromUtf8(text);
}

// Into the build's artefact folder. Qt renders and converts a large picture on pooled threads,
// handing the work over with futexes that ThreadSanitizer cannot see; the picture is only for a
// person to look at, so that build saves none.
inline void SavePicture(QWidget& window, const char* name) {
#if defined(__SANITIZE_THREAD__)
    (void)window;
    (void)name;
#else
    std::filesystem::create_directories(DIALOGS_ARTEFACT_DIR);
    const QImage picture = window.grab().toImage();
    ASSERT_FALSE(picture.isNull()) << name;
    picture.save(QString::fromUtf8(DIALOGS_ARTEFACT_DIR "/") + QString::fromUtf8(name));
#endif
}

// The captions of `window`'s labels, buttons and group boxes that are cut off: wider than their
// control, or the control reaching out of the window.
inline QStringList ClippedCaptions(const QWidget& window) {
    QStringList clipped;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        QString caption;
        int needed = 0;
        if (const auto* l = qobject_cast<const QLabel*>(w)) {
            caption = l->text();
            needed = l->sizeHint().width();
        } else if (const auto* b = qobject_cast<const QAbstractButton*>(w); b && !b->text().isEmpty()) {
            caption = b->text();
            needed = b->sizeHint().width();
        } else if (const auto* g = qobject_cast<const QGroupBox*>(w)) {
            caption = g->title();
            needed = g->fontMetrics().horizontalAdvance(caption) + 2 * g->fontMetrics().height();
        }
        if (caption.isEmpty())
            continue;
        if (needed > w->width() || !window.rect().contains(w->geometry()))
            clipped << caption;
    }
    return clipped;
}

}  // namespace dialogs_test
