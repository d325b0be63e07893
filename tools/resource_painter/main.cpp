// Paints the program's pictures (background, logos, icons, busy frames, language flags) into PNG files.
// Run by the build: everything is drawn from code, so the same sources and font give the same pictures.
//
//     cuu_resource_painter <output directory> <PT Sans Bold .ttf>

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <QTransform>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>

namespace {

// The house colours; the window's style sheet uses the same blue, gold and red.
const QColor brand_blue(0, 113, 188);
const QColor light_blue(64, 164, 232);
const QColor gold(162, 134, 41);
const QColor bright_gold(201, 170, 72);
const QColor signal_red(225, 37, 27);
const QColor navy_top(13, 33, 60);
const QColor navy_bottom(3, 9, 20);

QString wordmark_family;

QImage blank(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void antialias(QPainter& p) {
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
}

// Text as an outline, so the logos do not depend on hinting or on the fonts of the machine.
QPainterPath text_path(const QString& text, qreal capHeight, qreal tracking) {
    QFont font(wordmark_family);
    font.setWeight(QFont::Bold);
    // PT Sans capitals are 0.7 of the em.
    font.setPixelSize(qRound(capHeight / 0.7));
    font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    font.setHintingPreference(QFont::PreferNoHinting);
    QPainterPath path;
    path.addText(0, 0, font, text);
    return path;
}

// Moves a path so that its box starts at (x, y).
QPainterPath placed(const QPainterPath& path, qreal x, qreal y) {
    const QRectF box = path.boundingRect();
    return path.translated(x - box.left(), y - box.top());
}

QPainterPath star(QPointF centre, qreal radius, qreal pointingAngle) {
    QPainterPath path;
    const qreal inner = radius * 0.382;
    for (int i = 0; i < 10; ++i) {
        const qreal r = (i % 2 == 0) ? radius : inner;
        const qreal a = pointingAngle + i * std::numbers::pi / 5;
        const QPointF point(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a));
        if (i == 0) {
            path.moveTo(point);
        } else {
            path.lineTo(point);
        }
    }
    path.closeSubpath();
    return path;
}

QPainterPath triangle(QPointF a, QPointF b, QPointF c) {
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    return path;
}

// The Corvane mark: an open "C" of two signal rings around a target, in a square of side `size`.
void paint_emblem(QPainter& p, QPointF topLeft, qreal size, const QColor& outer, const QColor& inner) {
    const QPointF centre = topLeft + QPointF(size / 2, size / 2);
    const qreal stroke = size * 0.13;
    QPen pen(outer, stroke, Qt::SolidLine, Qt::RoundCap);
    p.setBrush(Qt::NoBrush);
    p.setPen(pen);
    const qreal r1 = size / 2 - stroke / 2;
    p.drawArc(QRectF(centre.x() - r1, centre.y() - r1, 2 * r1, 2 * r1), 45 * 16, 270 * 16);
    pen.setColor(inner);
    p.setPen(pen);
    const qreal r2 = r1 - stroke * 1.75;
    p.drawArc(QRectF(centre.x() - r2, centre.y() - r2, 2 * r2, 2 * r2), 55 * 16, 250 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(outer);
    const qreal r3 = stroke * 0.62;
    p.drawEllipse(centre, r3, r3);
}

// Emblem followed by the wordmark, cropped to what was drawn.
QImage corvane_logo(qreal emblemSize, qreal capHeight, qreal alpha) {
    const QPainterPath word = text_path(QStringLiteral("CORVANE"), capHeight, capHeight * 0.16);
    const qreal gap = emblemSize * 0.28;
    const qreal pad = 2;
    const QRectF box = word.boundingRect();
    const int width = qCeil(pad * 2 + emblemSize + gap + box.width());
    const int height = qCeil(pad * 2 + emblemSize);
    QImage image = blank(width, height);
    QPainter p(&image);
    antialias(p);
    p.setOpacity(alpha);
    paint_emblem(p, QPointF(pad, pad), emblemSize, Qt::white, light_blue);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(placed(word, pad + emblemSize + gap, pad + (emblemSize - box.height()) / 2));
    return image;
}

QImage summit_pro_logo() {
    const qreal capHeight = 44;
    const QPainterPath summit = text_path(QStringLiteral("SUMMIT"), capHeight, capHeight * 0.1);
    const QPainterPath pro = text_path(QStringLiteral("PRO"), capHeight, capHeight * 0.1);
    const qreal peakWidth = 84;
    const qreal peakHeight = 58;
    const qreal pad = 2;
    const qreal width =
        pad * 2 + peakWidth + 16 + summit.boundingRect().width() + 14 + pro.boundingRect().width();
    QImage image = blank(qCeil(width), qCeil(pad * 2 + peakHeight));
    QPainter p(&image);
    antialias(p);

    // Two peaks; the near one white with a blue shadow face, the far one in blue behind it.
    const qreal base = pad + peakHeight;
    p.setPen(Qt::NoPen);
    p.setBrush(brand_blue);
    p.drawPath(triangle({pad + 34, base}, {pad + 60, pad + 16}, {pad + peakWidth, base}));
    p.setBrush(Qt::white);
    p.drawPath(triangle({pad, base}, {pad + 30, pad}, {pad + 62, base}));
    p.setBrush(QColor(190, 214, 236));
    p.drawPath(triangle({pad + 30, pad}, {pad + 62, base}, {pad + 38, base}));

    const qreal textTop = base - capHeight;
    qreal x = pad + peakWidth + 16;
    p.setBrush(Qt::white);
    p.drawPath(placed(summit, x, textTop));
    x += summit.boundingRect().width() + 14;
    p.setBrush(bright_gold);
    p.drawPath(placed(pro, x, textTop));
    return image;
}

QImage background() {
    const int w = 960;
    const int h = 600;
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    antialias(p);

    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, navy_top);
    sky.setColorAt(1, navy_bottom);
    p.fillRect(image.rect(), sky);

    QRadialGradient glow(QPointF(w / 2.0, h * 0.36), w * 0.55);
    glow.setColorAt(0, QColor(0, 113, 188, 78));
    glow.setColorAt(1, QColor(0, 113, 188, 0));
    p.fillRect(image.rect(), glow);

    // Faint rings rising from below the window, like a coil's field sweeping the ground.
    // They fade out towards the top, where the logo and the texts sit.
    QLinearGradient fade(0, 0, 0, h);
    fade.setColorAt(0, QColor(120, 185, 240, 0));
    fade.setColorAt(0.45, QColor(120, 185, 240, 10));
    fade.setColorAt(1, QColor(120, 185, 240, 34));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(fade), 1.2));
    const QPointF source(w / 2.0, h * 1.45);
    for (int i = 0; i < 18; ++i) {
        const qreal r = 300 + i * i * 2.2 + i * 22.0;
        p.drawEllipse(source, r * 1.5, r);
    }

    QRadialGradient vignette(QPointF(w / 2.0, h / 2.0), w * 0.62);
    vignette.setColorAt(0.55, QColor(0, 0, 0, 0));
    vignette.setColorAt(1, QColor(0, 0, 0, 110));
    p.fillRect(image.rect(), vignette);
    return image;
}

QImage app_icon() {
    const int s = 512;
    QImage image = blank(s, s);
    QPainter p(&image);
    antialias(p);
    const QPointF c(s / 2.0, s / 2.0);

    QRadialGradient disc(QPointF(s * 0.38, s * 0.3), s * 0.75);
    disc.setColorAt(0, light_blue);
    disc.setColorAt(1, QColor(0, 62, 128));
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(c, s * 0.47, s * 0.47);

    // The coil ring.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 90), s * 0.035));
    p.drawEllipse(c, s * 0.38, s * 0.38);

    // An arrow rising onto a bar: firmware going up to the device.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPainterPath arrow;
    arrow.moveTo(c.x(), s * 0.2);
    arrow.lineTo(s * 0.7, s * 0.45);
    arrow.lineTo(s * 0.57, s * 0.45);
    arrow.lineTo(s * 0.57, s * 0.66);
    arrow.lineTo(s * 0.43, s * 0.66);
    arrow.lineTo(s * 0.43, s * 0.45);
    arrow.lineTo(s * 0.3, s * 0.45);
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.setBrush(bright_gold);
    p.drawRoundedRect(QRectF(s * 0.3, s * 0.72, s * 0.4, s * 0.065), s * 0.03, s * 0.03);
    return image;
}

// Round white outline icons of the window's bottom row.
QImage round_icon(const std::function<void(QPainter&, qreal)>& glyph) {
    const int s = 32;
    QImage image = blank(s, s);
    QPainter p(&image);
    antialias(p);
    p.setPen(QPen(QColor(255, 255, 255, 230), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(1.5, 1.5, s - 3, s - 3));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    glyph(p, s);
    return image;
}

QImage about_icon() {
    return round_icon([](QPainter& p, qreal s) {
        p.drawEllipse(QPointF(s / 2, s * 0.3), 2.2, 2.2);
        p.drawRoundedRect(QRectF(s / 2 - 1.9, s * 0.42, 3.8, s * 0.36), 1.2, 1.2);
    });
}

QImage more_options_icon() {
    return round_icon([](QPainter& p, qreal s) {
        for (int i = -1; i <= 1; ++i) {
            p.drawEllipse(QPointF(s / 2 + i * 7.5, s / 2), 2.3, 2.3);
        }
    });
}

QImage busy_frame(int active) {
    QImage image = blank(88, 28);
    QPainter p(&image);
    antialias(p);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        const bool lit = i == active;
        const bool trailing = (active + 2) % 3 == i;
        p.setBrush(lit        ? QColor(255, 255, 255)
                   : trailing ? QColor(140, 196, 240, 170)
                              : QColor(255, 255, 255, 60));
        const qreal r = lit ? 8.5 : 6.5;
        p.drawEllipse(QPointF(14 + i * 30, 14), r, r);
    }
    return image;
}

QImage warning_icon() {
    QImage image = blank(19, 19);
    QPainter p(&image);
    antialias(p);
    p.setPen(QPen(signal_red, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(signal_red);
    p.drawPath(triangle({9.5, 2}, {17.4, 16.6}, {1.6, 16.6}));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(8.5, 6.2, 2, 6), 0.8, 0.8);
    p.drawEllipse(QPointF(9.5, 14.3), 1.15, 1.15);
    return image;
}

QImage list_arrow(bool down) {
    QImage image = blank(14, 14);
    QPainter p(&image);
    antialias(p);
    p.setPen(QPen(QColor(60, 62, 66), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath chevron;
    const qreal tip = down ? 9.5 : 4.5;
    const qreal ends = down ? 4.5 : 9.5;
    chevron.moveTo(2.5, ends);
    chevron.lineTo(7, tip);
    chevron.lineTo(11.5, ends);
    p.drawPath(chevron);
    return image;
}

// ---- Language flags, 3:2, drawn 72 x 48 for a 36 x 24 label. ----

constexpr int flag_w = 72;
constexpr int flag_h = 48;

void stripes(QPainter& p, bool vertical, std::initializer_list<std::pair<QColor, qreal>> bands) {
    qreal total = 0;
    for (const auto& band : bands) {
        total += band.second;
    }
    qreal at = 0;
    for (const auto& [colour, share] : bands) {
        const qreal length = (vertical ? flag_w : flag_h) * share / total;
        p.fillRect(vertical ? QRectF(at, 0, length, flag_h) : QRectF(0, at, flag_w, length), colour);
        at += length;
    }
}

void flag_en(QPainter& p) {
    const QColor blue(1, 33, 105);
    const QColor red(200, 16, 46);
    p.fillRect(QRectF(0, 0, flag_w, flag_h), blue);
    const qreal unit = flag_h / 30.0;
    const QPointF centre(flag_w / 2.0, flag_h / 2.0);
    const QPointF corners[4] = {{0, 0}, {flag_w, 0}, {flag_w, flag_h}, {0, flag_h}};
    p.setPen(QPen(Qt::white, 6 * unit, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(corners[0], corners[2]);
    p.drawLine(corners[1], corners[3]);
    // The red diagonals sit off the centre line, each on the side left of the way from the centre
    // outwards, so the broad white is uppermost at the hoist.
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    for (const QPointF& corner : corners) {
        const QPointF d = (corner - centre) / std::hypot(corner.x() - centre.x(), corner.y() - centre.y());
        const QPointF n(d.y(), -d.x());
        QPolygonF band;
        band << centre << corner << corner + n * 2 * unit << centre + n * 2 * unit;
        p.save();
        p.setClipRect(QRectF(QPointF(std::min(corner.x(), centre.x()), std::min(corner.y(), centre.y())),
                             QPointF(std::max(corner.x(), centre.x()), std::max(corner.y(), centre.y()))));
        p.drawPolygon(band);
        p.restore();
    }
    p.fillRect(QRectF(centre.x() - 5 * unit, 0, 10 * unit, flag_h), Qt::white);
    p.fillRect(QRectF(0, centre.y() - 5 * unit, flag_w, 10 * unit), Qt::white);
    p.fillRect(QRectF(centre.x() - 3 * unit, 0, 6 * unit, flag_h), red);
    p.fillRect(QRectF(0, centre.y() - 3 * unit, flag_w, 6 * unit), red);
}

void flag_ar(QPainter& p) {
    stripes(p, false, {{QColor(0, 115, 47), 1}, {Qt::white, 1}, {Qt::black, 1}});
    p.fillRect(QRectF(0, 0, flag_w / 4.0, flag_h), QColor(255, 0, 0));
}

void flag_de(QPainter& p) {
    stripes(p, false, {{Qt::black, 1}, {QColor(221, 0, 0), 1}, {QColor(255, 206, 0), 1}});
}

void flag_es(QPainter& p) {
    stripes(p, false, {{QColor(170, 21, 27), 1}, {QColor(241, 191, 0), 2}, {QColor(170, 21, 27), 1}});
}

void flag_fr(QPainter& p) {
    stripes(p, true, {{QColor(0, 35, 149), 1}, {Qt::white, 1}, {QColor(237, 41, 57), 1}});
}

void flag_ja(QPainter& p) {
    p.fillRect(QRectF(0, 0, flag_w, flag_h), Qt::white);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(188, 0, 45));
    p.drawEllipse(QPointF(flag_w / 2.0, flag_h / 2.0), flag_h * 0.3, flag_h * 0.3);
}

// One trigram of the Korean flag, its bars across the diagonal; `broken` says which of the three
// bars, from the centre outwards, are split.
void trigram(QPainter& p, qreal angleDegrees, std::array<bool, 3> broken) {
    const qreal bar = flag_h / 24.0;
    const qreal gap = flag_h / 48.0;
    const qreal length = flag_h / 4.0;
    p.save();
    p.translate(flag_w / 2.0, flag_h / 2.0);
    p.rotate(angleDegrees);
    const qreal start = flag_h / 4.0 + flag_h / 12.0;
    for (int i = 0; i < 3; ++i) {
        const qreal x = start + i * (bar + gap);
        if (broken[i]) {
            p.drawRect(QRectF(x, -length / 2, bar, length * 0.46));
            p.drawRect(QRectF(x, length * 0.04, bar, length * 0.46));
        } else {
            p.drawRect(QRectF(x, -length / 2, bar, length));
        }
    }
    p.restore();
}

void flag_ko(QPainter& p) {
    p.fillRect(QRectF(0, 0, flag_w, flag_h), Qt::white);
    const qreal diagonal = std::atan2(qreal(flag_h), qreal(flag_w)) * 180 / std::numbers::pi;
    const qreal r = flag_h / 4.0;
    const QColor red(205, 46, 58);
    const QColor blue(0, 71, 160);
    p.setPen(Qt::NoPen);
    p.save();
    p.translate(flag_w / 2.0, flag_h / 2.0);
    p.rotate(diagonal);
    p.setBrush(blue);
    p.drawEllipse(QPointF(0, 0), r, r);
    p.setBrush(red);
    p.drawPie(QRectF(-r, -r, 2 * r, 2 * r), 0, 180 * 16);
    p.drawEllipse(QPointF(-r / 2, 0), r / 2, r / 2);
    p.setBrush(blue);
    p.drawEllipse(QPointF(r / 2, 0), r / 2, r / 2);
    p.restore();
    p.setBrush(Qt::black);
    trigram(p, 180 + diagonal, {false, false, false}); // upper hoist: heaven
    trigram(p, -diagonal, {true, false, true});        // upper fly: water
    trigram(p, 180 - diagonal, {false, true, false});  // lower hoist: fire
    trigram(p, diagonal, {true, true, true});          // lower fly: earth
}

void flag_mn(QPainter& p) {
    const QColor red(218, 32, 50);
    stripes(p, true, {{red, 1}, {QColor(1, 81, 151), 1}, {red, 1}});
    // The Soyombo, simplified to its stacked signs, in the hoist stripe.
    const QColor sign(255, 217, 0);
    const qreal x = flag_w / 6.0;
    p.setPen(Qt::NoPen);
    p.setBrush(sign);
    p.drawPath(triangle({x, 4}, {x - 3, 10.5}, {x + 3, 10.5}));
    p.drawEllipse(QPointF(x, 13.6), 2.6, 2.6);
    QPainterPath moon;
    moon.addEllipse(QPointF(x, 18.2), 3.4, 3.4);
    QPainterPath bite;
    bite.addEllipse(QPointF(x, 16.6), 3.4, 3.4);
    p.drawPath(moon.subtracted(bite));
    p.drawPath(triangle({x - 3.5, 22.5}, {x + 3.5, 22.5}, {x, 25}));
    p.drawRect(QRectF(x - 3.5, 26, 7, 1.6));
    p.drawEllipse(QPointF(x, 31), 3, 3);
    p.setBrush(red);
    p.drawEllipse(QPointF(x, 29.6), 0.9, 0.9);
    p.setBrush(sign);
    p.drawRect(QRectF(x - 3.5, 34.8, 7, 1.6));
    p.drawPath(triangle({x - 3.5, 37.4}, {x + 3.5, 37.4}, {x, 39.9}));
    p.drawRect(QRectF(x - 6.6, 22.5, 1.8, 17.4));
    p.drawRect(QRectF(x + 4.8, 22.5, 1.8, 17.4));
}

void flag_pt(QPainter& p) {
    stripes(p, true, {{QColor(4, 106, 56), 2}, {QColor(218, 41, 28), 3}});
    const QPointF c(flag_w * 0.4, flag_h / 2.0);
    p.setPen(QPen(QColor(255, 204, 0), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 9.5, 9.5);
    p.drawLine(c + QPointF(-9.5, 0), c + QPointF(9.5, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPainterPath shield;
    shield.moveTo(c + QPointF(-5, -6.5));
    shield.lineTo(c + QPointF(5, -6.5));
    shield.lineTo(c + QPointF(5, 2));
    shield.quadTo(c + QPointF(5, 7), c + QPointF(0, 7.5));
    shield.quadTo(c + QPointF(-5, 7), c + QPointF(-5, 2));
    shield.closeSubpath();
    p.setPen(QPen(QColor(218, 41, 28), 1.6));
    p.drawPath(shield);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 56, 168));
    for (const QPointF& dot :
         {QPointF(0, -3), QPointF(-2.6, 0), QPointF(0, 0), QPointF(2.6, 0), QPointF(0, 3)}) {
        p.drawEllipse(c + dot, 1.1, 1.1);
    }
}

void flag_ru(QPainter& p) {
    stripes(p, false, {{Qt::white, 1}, {QColor(0, 57, 166), 1}, {QColor(213, 43, 30), 1}});
}

void flag_zh(QPainter& p) {
    p.fillRect(QRectF(0, 0, flag_w, flag_h), QColor(238, 28, 37));
    const qreal unit = flag_w / 30.0;
    const QPointF big(5 * unit, 5 * unit);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 0));
    p.drawPath(star(big, 3 * unit, -std::numbers::pi / 2));
    for (const QPointF& at : {QPointF(10, 2), QPointF(12, 4), QPointF(12, 7), QPointF(10, 9)}) {
        const QPointF centre = at * unit;
        const qreal towardsBig = std::atan2(big.y() - centre.y(), big.x() - centre.x());
        p.drawPath(star(centre, unit, towardsBig));
    }
}

QImage flag(void (*paint)(QPainter&)) {
    QImage image = blank(flag_w, flag_h);
    QPainter p(&image);
    antialias(p);
    paint(p);
    // A hairline edge keeps light and dark flags apart from the background.
    p.setPen(QPen(QColor(0, 0, 0, 70), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, flag_w - 1, flag_h - 1));
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        QTextStream(stderr) << "usage: cuu_resource_painter <output directory> <PT Sans Bold .ttf>\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const int fontId = QFontDatabase::addApplicationFont(QString::fromLocal8Bit(argv[2]));
    if (fontId < 0 || QFontDatabase::applicationFontFamilies(fontId).isEmpty()) {
        QTextStream(stderr) << "cannot load the wordmark font " << argv[2] << "\n";
        return 1;
    }
    wordmark_family = QFontDatabase::applicationFontFamilies(fontId).constFirst();
    if (!out.mkpath(QStringLiteral("lang_flags"))) {
        QTextStream(stderr) << "cannot create " << out.path() << "\n";
        return 1;
    }

    const std::pair<const char*, std::function<QImage()>> pictures[] = {
        {"CVN-Updater-BG-50pct.png", background},
        {"CVN-logo.png",
         [] {
             return corvane_logo(64, 38, 1.0);
         }},
        {"CVN-logo-small.png",
         [] {
             return corvane_logo(22, 13, 0.85);
         }},
        {"SUMMIT-PRO-logo.png", summit_pro_logo},
        {"Corvane-update-App-Icon-No-BG.png", app_icon},
        {"about.png", about_icon},
        {"more-options.png", more_options_icon},
        {"busy-1.png",
         [] {
             return busy_frame(0);
         }},
        {"busy-2.png",
         [] {
             return busy_frame(1);
         }},
        {"busy-3.png",
         [] {
             return busy_frame(2);
         }},
        {"Warning-19.png", warning_icon},
        {"expand-list-arrow.png",
         [] {
             return list_arrow(true);
         }},
        {"collapse-list-arrow.png",
         [] {
             return list_arrow(false);
         }},
        {"lang_flags/en.png",
         [] {
             return flag(flag_en);
         }},
        {"lang_flags/ar.png",
         [] {
             return flag(flag_ar);
         }},
        {"lang_flags/de.png",
         [] {
             return flag(flag_de);
         }},
        {"lang_flags/es.png",
         [] {
             return flag(flag_es);
         }},
        {"lang_flags/fr.png",
         [] {
             return flag(flag_fr);
         }},
        {"lang_flags/ja.png",
         [] {
             return flag(flag_ja);
         }},
        {"lang_flags/ko.png",
         [] {
             return flag(flag_ko);
         }},
        {"lang_flags/mn.png",
         [] {
             return flag(flag_mn);
         }},
        {"lang_flags/pt.png",
         [] {
             return flag(flag_pt);
         }},
        {"lang_flags/ru.png",
         [] {
             return flag(flag_ru);
         }},
        {"lang_flags/zh.png",
         [] {
             return flag(flag_zh);
         }},
    };
    for (const auto& [name, paint] : pictures) {
        const QString path = out.filePath(QString::fromLatin1(name));
        if (!paint().save(path, "PNG")) {
            QTextStream(stderr) << "cannot write " << path << "\n";
            return 1;
        }
    }
    return 0;
}
