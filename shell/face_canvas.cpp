#include "shell/face_canvas.h"

#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>

namespace {

// Glyph boxes are whole pixels of the font engine; antialiasing and sub-pixel placement can
// reach one pixel further, a scaled device another.
constexpr qreal kMargin = 2.0;
// How far a glyph's overhang can reach back over the glyph before it.
constexpr qreal kOverhang = 3.0;

QRect Outward(const QRectF& r) {
    return r.toAlignedRect();
}

qsizetype CommonPrefix(const QString& a, const QString& b) {
    const qsizetype n = std::min(a.size(), b.size());
    qsizetype i = 0;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

}  // namespace

FaceCanvas::Slot FaceCanvas::Lay(Text text) const {
    Slot slot{std::move(text), nullptr, {}, {}};
    if (slot.text.text.isEmpty())
        return slot;
    // One unwrapped line from the top-left, as drawText(rect, AlignLeft | AlignTop) makes it.
    auto layout =
        std::make_shared<QTextLayout>(slot.text.text, slot.text.font, image_.isNull() ? nullptr : &image_);
    QTextOption option;
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    QTextLine line = layout->createLine();
    line.setLineWidth(0x01000000);
    line.setPosition(QPointF(0, 0));
    layout->endLayout();

    const QPointF at(slot.text.at);
    QRectF ink;
    for (const QGlyphRun& run : line.glyphRuns()) {
        const QRawFont font = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> places = run.positions();
        for (qsizetype i = 0; i < glyphs.size() && i < places.size(); ++i)
            ink |= font.boundingRect(glyphs[i]).translated(places[i]);
    }
    slot.ink = ink.translated(at).adjusted(-kMargin, -kMargin, kMargin, kMargin);
    const QRectF box(at, QSizeF(line.naturalTextWidth(), line.height()));
    slot.extent = slot.ink | box.adjusted(-kMargin, -kMargin, kMargin, kMargin);
    slot.layout = std::move(layout);
    return slot;
}

void FaceCanvas::DrawSlots(QPainter& painter, const QRegion* only) const {
    painter.fillRect(QRect(QPoint(0, 0), style_.size), style_.back);
    if (ground_)
        ground_(painter);
    painter.setPen(style_.ink);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(style_.back);
    for (const Slot& slot : slots_) {
        if (!slot.layout || (only != nullptr && !only->intersects(Outward(slot.extent))))
            continue;
        slot.layout->lineAt(0).draw(&painter, QPointF(slot.text.at));
    }
}

void FaceCanvas::Redraw(const Style& style, Ground ground, std::vector<Text> texts) {
    style_ = style;
    ground_ = std::move(ground);
    const QSize pixels = (QSizeF(style_.size) * style_.ratio).toSize();
    if (image_.size() != pixels || image_.format() != style_.format)
        image_ = QImage(pixels, style_.format);
    image_.setDevicePixelRatio(style_.ratio);
    slots_.clear();
    for (Text& text : texts)
        slots_.push_back(Lay(std::move(text)));
    QPainter painter(&image_);
    DrawSlots(painter, nullptr);
}

QRegion FaceCanvas::Update(const std::vector<QString>& texts) {
    if (image_.isNull())
        return {};
    QRegion dirty;
    QRectF before;  // extents of the texts drawn before the one at hand
    const size_t count = std::min(texts.size(), slots_.size());
    for (size_t i = 0; i < count; ++i) {
        Slot& slot = slots_[i];
        QRectF reach = slot.extent;
        if (texts[i] != slot.text.text) {
            Text text = slot.text;
            text.text = texts[i];
            Slot next = Lay(std::move(text));
            // The glyphs differ; the opaque box is the ground colour, so it shows only where
            // it covers a text drawn earlier. Glyphs before the first changed character keep
            // their places: only what lies right of them can differ.
            QRectF changed = (slot.ink | next.ink) | ((slot.extent | next.extent) & before);
            const qsizetype same = CommonPrefix(slot.text.text, next.text.text);
            if (same > 0 && slot.layout && next.layout) {
                const qreal x = std::min(slot.layout->lineAt(0).cursorToX(static_cast<int>(same)),
                                         next.layout->lineAt(0).cursorToX(static_cast<int>(same)));
                changed.setLeft(std::max(changed.left(), slot.text.at.x() + x - kOverhang));
            }
            dirty |= Outward(changed);
            reach |= next.extent;
            slot = std::move(next);
        }
        before |= reach;
    }
    dirty &= QRect(QPoint(0, 0), style_.size);
    if (dirty.isEmpty())
        return {};
    QPainter painter(&image_);
    painter.setClipRegion(dirty);
    DrawSlots(painter, &dirty);
    return dirty;
}
