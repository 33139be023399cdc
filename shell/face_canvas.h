#pragma once
// A clock face of a few texts on a plain ground, kept in an image. A new second changes one
// text; only the pixels that text can reach are painted again, and every text reaching into
// them is drawn again in its order under that clip, so the kept image always equals a whole
// redraw while a second costs a few glyphs instead of the face (and the window system is sent
// only that region).

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QTextLayout;

class FaceCanvas {
public:
    // Paints what lies beside the texts; the canvas has filled the ground colour first. It must
    // not reach under a text's box: a new second paints again only round the texts it changes.
    using Ground = std::function<void(QPainter&)>;

    struct Text {
        QPoint at;  // top-left, as drawText with AlignLeft | AlignTop places it
        QString text;
        QFont font;
    };

    // What a whole redraw depends on besides the texts.
    struct Style {
        QSize size;  // logical pixels
        qreal ratio = 1.0;
        QColor back;
        QColor ink;
        QImage::Format format = QImage::Format_RGB32;
        bool operator==(const Style&) const = default;
    };

    // Everything again: the image at style.size and style.ratio, the ground, then the texts in
    // order, each opaque on the ground colour.
    void Redraw(const Style& style, Ground ground, std::vector<Text> texts);

    // New strings for the texts (same count and order; places and fonts stay). Draws again
    // only where they differ and returns that region in logical pixels (empty: no change).
    QRegion Update(const std::vector<QString>& texts);

    const QImage& image() const { return image_; }
    // For a pass over the pixels Redraw or Update just drew (a colour key).
    QImage& pixels() { return image_; }
    const Style& style() const { return style_; }
    bool empty() const { return image_.isNull(); }

private:
    // A text laid out once, as drawText lays it out, and drawn from that layout each time.
    struct Slot {
        Text text;
        std::shared_ptr<QTextLayout> layout;  // null for an empty text
        QRectF ink;     // where its glyphs can change pixels (a margin for antialiasing)
        QRectF extent;  // the ink and the opaque box behind the text
    };
    Slot Lay(Text text) const;
    void DrawSlots(QPainter& painter, const QRegion* only) const;

    Style style_;
    Ground ground_;
    std::vector<Slot> slots_;
    QImage image_;
};
