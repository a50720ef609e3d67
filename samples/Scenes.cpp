#include "samples/Scenes.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <cmath>

namespace samples {
namespace {

constexpr double Width = 640;
constexpr double Height = 480;

void sky(QPainter& p, double horizon, std::initializer_list<std::pair<double, QColor>> stops)
{
    QLinearGradient gradient(0, 0, 0, horizon);
    for (const auto& [at, colour] : stops)
        gradient.setColorAt(at, colour);
    p.fillRect(QRectF(0, 0, Width, horizon), gradient);
}

// A ridge line through `points` closed down to `bottom`, filled with a vertical gradient.
void ridge(QPainter& p, std::initializer_list<QPointF> points, double bottom, const QColor& top, const QColor& low)
{
    QPainterPath path;
    auto it = points.begin();
    path.moveTo(it->x(), bottom);
    for (; it != points.end(); ++it)
        path.lineTo(*it);
    path.lineTo((points.end() - 1)->x(), bottom);
    path.closeSubpath();
    QLinearGradient gradient(0, path.boundingRect().top(), 0, bottom);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, low);
    p.fillPath(path, gradient);
}

void cloud(QPainter& p, QPointF at, double scale, const QColor& colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const QPointF puffs[] = {{0, 0}, {28, -14}, {58, -4}, {84, 4}, {30, 10}, {-24, 8}};
    const double radii[] = {26, 30, 26, 20, 24, 18};
    for (size_t i = 0; i < std::size(puffs); ++i)
        p.drawEllipse(at + puffs[i] * scale, radii[i] * scale, radii[i] * 0.8 * scale);
}

void sun(QPainter& p, QPointF at, double radius, const QColor& core, const QColor& glow)
{
    QRadialGradient halo(at, radius * 3);
    halo.setColorAt(0, glow);
    halo.setColorAt(1, QColor(glow.red(), glow.green(), glow.blue(), 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(at, radius * 3, radius * 3);
    p.setBrush(core);
    p.drawEllipse(at, radius, radius);
}

void bird(QPainter& p, QPointF at, double span)
{
    QPainterPath path;
    path.moveTo(at + QPointF(-span, -span * 0.3));
    path.quadTo(at + QPointF(-span * 0.4, -span * 0.6), at);
    path.quadTo(at + QPointF(span * 0.4, -span * 0.6), at + QPointF(span, -span * 0.3));
    p.setPen(QPen(QColor(30, 20, 40), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void paintSunsetLake(QPainter& p, double phase)
{
    const double horizon = 300;
    sky(p, horizon, {{0, QColor(43, 16, 85)}, {0.55, QColor(212, 65, 142)}, {1, QColor(248, 177, 60)}});
    sun(p, {430, 282}, 42, QColor(255, 226, 140), QColor(255, 170, 80, 150));
    ridge(p, {{0, 230}, {70, 190}, {150, 215}, {240, 160}, {330, 220}, {420, 185}, {520, 230}, {640, 200}}, horizon,
          QColor(120, 70, 140), QColor(160, 90, 130));
    ridge(p, {{0, 270}, {90, 240}, {180, 262}, {260, 228}, {380, 275}, {470, 250}, {560, 268}, {640, 245}}, horizon,
          QColor(55, 30, 75), QColor(80, 40, 90));

    // The lake mirrors the sky, darker, with the sun's glitter on it.
    QLinearGradient water(0, horizon, 0, Height);
    water.setColorAt(0, QColor(230, 140, 70));
    water.setColorAt(0.3, QColor(150, 60, 110));
    water.setColorAt(1, QColor(30, 12, 50));
    p.fillRect(QRectF(0, horizon, Width, Height - horizon), water);
    p.setPen(QPen(QColor(255, 220, 150, 200), 2));
    for (int i = 0; i < 14; ++i) {
        const double y = horizon + 6 + i * i * 1.1;
        const double half = 40 - i * 2.2 + 6 * std::sin(i * 1.7);
        p.drawLine(QPointF(430 - half, y), QPointF(430 + half, y));
    }
    for (const QPointF at : {QPointF(150, 110), QPointF(178, 124), QPointF(205, 104), QPointF(520, 80)})
        bird(p, at, 9);

    // A sailing boat crossing the lake.
    const double x = 60 + phase * 460;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(25, 10, 30));
    QPainterPath hull;
    hull.moveTo(x - 34, 360);
    hull.lineTo(x + 34, 360);
    hull.lineTo(x + 24, 374);
    hull.lineTo(x - 24, 374);
    hull.closeSubpath();
    p.drawPath(hull);
    QPainterPath sail;
    sail.moveTo(x + 2, 292);
    sail.lineTo(x + 2, 356);
    sail.lineTo(x + 36, 356);
    sail.closeSubpath();
    p.setBrush(QColor(250, 235, 210));
    p.drawPath(sail);
    p.setPen(QPen(QColor(25, 10, 30), 3));
    p.drawLine(QPointF(x, 288), QPointF(x, 360));
}

void flower(QPainter& p, QPointF at, double size, const QColor& petals, double turn)
{
    p.setPen(QPen(QColor(40, 110, 40), 2));
    p.drawLine(at, at + QPointF(0, size * 3));
    p.setPen(Qt::NoPen);
    p.setBrush(petals);
    for (int i = 0; i < 6; ++i) {
        const double angle = turn + i * M_PI / 3;
        p.drawEllipse(at + QPointF(std::cos(angle), std::sin(angle)) * size * 0.8, size * 0.55, size * 0.55);
    }
    p.setBrush(QColor(250, 210, 40));
    p.drawEllipse(at, size * 0.45, size * 0.45);
}

void paintMeadow(QPainter& p, double)
{
    sky(p, 260, {{0, QColor(70, 140, 220)}, {1, QColor(190, 225, 250)}});
    sun(p, {90, 80}, 30, QColor(255, 250, 210), QColor(255, 240, 170, 120));
    cloud(p, {250, 90}, 1.1, QColor(255, 255, 255, 235));
    cloud(p, {480, 60}, 0.8, QColor(255, 255, 255, 220));
    ridge(p, {{0, 250}, {120, 215}, {260, 240}, {400, 205}, {520, 230}, {640, 210}}, Height, QColor(110, 170, 80),
          QColor(70, 130, 50));
    ridge(p, {{0, 320}, {160, 285}, {330, 310}, {480, 280}, {640, 300}}, Height, QColor(120, 190, 70),
          QColor(50, 120, 40));

    // A tree on the hill.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(100, 70, 40));
    p.drawRect(QRectF(488, 200, 14, 80));
    for (const auto& [at, r] :
         {std::pair{QPointF(495, 190), 42.0}, {QPointF(468, 210), 30.0}, {QPointF(522, 208), 32.0}}) {
        QRadialGradient leaves(at - QPointF(10, 10), r * 1.3);
        leaves.setColorAt(0, QColor(90, 170, 70));
        leaves.setColorAt(1, QColor(30, 100, 40));
        p.setBrush(leaves);
        p.drawEllipse(at, r, r * 0.85);
    }

    QRandomGenerator random(20010815);
    const QColor colours[] = {QColor(230, 60, 80), QColor(250, 250, 250), QColor(160, 90, 210), QColor(250, 150, 40)};
    for (int i = 0; i < 70; ++i) {
        const double y = 300 + random.bounded(170.0);
        const double size = 3 + (y - 300) / 14;
        flower(p, {random.bounded(640.0), y}, size, colours[random.bounded(4)], random.bounded(1.0));
    }
    // A butterfly.
    p.setBrush(QColor(40, 90, 200));
    p.drawEllipse(QPointF(300, 250), 12, 8);
    p.drawEllipse(QPointF(318, 250), 12, 8);
    p.setBrush(QColor(20, 20, 20));
    p.drawEllipse(QPointF(309, 251), 2.5, 7);
}

void paintLighthouse(QPainter& p, double)
{
    // Drawn on 480 x 640.
    QLinearGradient air(0, 0, 0, 420);
    air.setColorAt(0, QColor(20, 40, 90));
    air.setColorAt(1, QColor(240, 160, 110));
    p.fillRect(QRectF(0, 0, 480, 420), air);
    QLinearGradient sea(0, 420, 0, 640);
    sea.setColorAt(0, QColor(60, 80, 130));
    sea.setColorAt(1, QColor(10, 25, 60));
    p.fillRect(QRectF(0, 420, 480, 220), sea);

    // Glitter on the sea and stars, under everything else.
    QRandomGenerator random(1);
    p.setPen(QPen(QColor(255, 255, 255, 90), 1.5));
    for (int i = 0; i < 60; ++i) {
        const double y = 430 + random.bounded(200.0);
        const double x = random.bounded(480.0);
        p.drawLine(QPointF(x, y), QPointF(x + 8 + random.bounded(20.0), y));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    for (int i = 0; i < 40; ++i)
        p.drawEllipse(QPointF(random.bounded(480.0), random.bounded(180.0)), 0.9, 0.9);

    // The beam, then the tower.
    QPainterPath beam;
    beam.moveTo(300, 190);
    beam.lineTo(0, 120);
    beam.lineTo(0, 200);
    beam.closeSubpath();
    QLinearGradient light(300, 190, 0, 160);
    light.setColorAt(0, QColor(255, 250, 200, 200));
    light.setColorAt(1, QColor(255, 250, 200, 0));
    p.fillPath(beam, light);

    ridge(p, {{160, 470}, {220, 430}, {300, 410}, {380, 425}, {480, 450}}, 640, QColor(70, 60, 60), QColor(30, 25, 30));
    QPainterPath tower;
    tower.moveTo(272, 420);
    tower.lineTo(286, 210);
    tower.lineTo(314, 210);
    tower.lineTo(328, 420);
    tower.closeSubpath();
    p.fillPath(tower, QColor(240, 240, 235));
    p.save();
    p.setClipPath(tower);
    for (int band = 0; band < 4; ++band)
        p.fillRect(QRectF(260, 240 + band * 50, 80, 25), QColor(200, 40, 40));
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 50));
    p.drawRect(QRectF(280, 196, 40, 14));
    sun(p, {300, 180}, 12, QColor(255, 250, 200), QColor(255, 240, 160, 160));
    p.setBrush(QColor(40, 40, 50));
    QPainterPath roof;
    roof.moveTo(278, 170);
    roof.lineTo(300, 150);
    roof.lineTo(322, 170);
    roof.closeSubpath();
    p.drawPath(roof);
}

void paintCityNight(QPainter& p, double)
{
    sky(p, Height, {{0, QColor(5, 8, 30)}, {0.7, QColor(40, 30, 90)}, {1, QColor(120, 60, 110)}});
    QRandomGenerator random(20010816);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 120; ++i) {
        p.setBrush(QColor(255, 255, 255, 100 + random.bounded(155)));
        const double r = 0.6 + random.bounded(1.2);
        p.drawEllipse(QPointF(random.bounded(640.0), random.bounded(260.0)), r, r);
    }
    sun(p, {520, 90}, 32, QColor(245, 240, 220), QColor(200, 200, 255, 60));
    p.setBrush(QColor(215, 210, 195));
    p.drawEllipse(QPointF(510, 84), 6, 6);
    p.drawEllipse(QPointF(530, 100), 4, 4);

    double x = 0;
    while (x < Width) {
        const double width = 40 + random.bounded(50.0);
        const double top = 200 + random.bounded(170.0);
        QLinearGradient wall(x, top, x + width, top);
        wall.setColorAt(0, QColor(25, 25, 45));
        wall.setColorAt(1, QColor(45, 45, 70));
        p.fillRect(QRectF(x, top, width - 3, Height - top), wall);
        for (double wy = top + 8; wy < 440; wy += 14) {
            for (double wx = x + 6; wx < x + width - 12; wx += 11) {
                if (random.bounded(3) == 0)
                    p.fillRect(QRectF(wx, wy, 6, 8), QColor(255, 210 + random.bounded(40), 110, 230));
            }
        }
        if (random.bounded(4) == 0) {
            p.setPen(QPen(QColor(200, 50, 50), 2));
            p.drawLine(QPointF(x + width / 2, top), QPointF(x + width / 2, top - 30));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 60, 60));
            p.drawEllipse(QPointF(x + width / 2, top - 31), 3, 3);
        }
        x += width;
    }
    QLinearGradient street(0, 440, 0, Height);
    street.setColorAt(0, QColor(30, 25, 40));
    street.setColorAt(1, QColor(10, 10, 15));
    p.fillRect(QRectF(0, 440, Width, 40), street);
    p.setPen(QPen(QColor(255, 230, 150), 2, Qt::DashLine));
    p.drawLine(QPointF(0, 462), QPointF(Width, 462));
}

void paintBeach(QPainter& p, double)
{
    sky(p, 250, {{0, QColor(40, 130, 220)}, {1, QColor(170, 220, 250)}});
    sun(p, {540, 70}, 34, QColor(255, 252, 220), QColor(255, 245, 180, 140));
    cloud(p, {140, 80}, 0.9, QColor(255, 255, 255, 230));
    QLinearGradient sea(0, 250, 0, 360);
    sea.setColorAt(0, QColor(20, 90, 160));
    sea.setColorAt(1, QColor(60, 200, 200));
    p.fillRect(QRectF(0, 250, Width, 110), sea);
    p.setPen(QPen(QColor(255, 255, 255, 170), 2));
    for (int i = 0; i < 6; ++i) {
        QPainterPath wave;
        const double y = 262 + i * 17;
        wave.moveTo(0, y);
        for (double wx = 0; wx <= Width; wx += 40)
            wave.quadTo(wx + 20, y - 5 + (i % 2) * 2, wx + 40, y);
        p.drawPath(wave);
    }
    QPainterPath sand;
    sand.moveTo(0, 350);
    sand.cubicTo(200, 335, 420, 375, 640, 345);
    sand.lineTo(640, 480);
    sand.lineTo(0, 480);
    sand.closeSubpath();
    QLinearGradient sandColour(0, 340, 0, 480);
    sandColour.setColorAt(0, QColor(240, 220, 170));
    sandColour.setColorAt(1, QColor(210, 180, 120));
    p.fillPath(sand, sandColour);

    // Palm: a curved trunk of segments, then fronds.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 12; ++i) {
        const double t = i / 11.0;
        const QPointF at(120 + 60 * t * t, 430 - 250 * t);
        p.setBrush(i % 2 ? QColor(120, 85, 50) : QColor(140, 100, 60));
        p.drawEllipse(at, 12 - 4 * t, 14);
    }
    const QPointF crown(180, 180);
    for (int i = 0; i < 7; ++i) {
        const double angle = -M_PI + i * M_PI / 6 + 0.15;
        const QPointF tip = crown + QPointF(std::cos(angle), std::sin(angle) * 0.55 + 0.45) * 110;
        QPainterPath frond;
        frond.moveTo(crown);
        frond.quadTo(crown + (tip - crown) * 0.5 + QPointF(0, -30), tip);
        frond.quadTo(crown + (tip - crown) * 0.5 + QPointF(0, -8), crown);
        p.fillPath(frond, i % 2 ? QColor(40, 140, 60) : QColor(60, 170, 70));
    }
    // Parasol and towel.
    p.setPen(QPen(QColor(90, 70, 50), 3));
    p.drawLine(QPointF(450, 300), QPointF(470, 420));
    QPainterPath shade;
    shade.moveTo(370, 320);
    shade.quadTo(445, 230, 530, 290);
    shade.closeSubpath();
    p.fillPath(shade, QColor(220, 40, 50));
    p.save();
    p.setClipPath(shade);
    for (int i = 0; i < 5; i += 2)
        p.fillRect(QRectF(370 + i * 32, 230, 32, 100), QColor(250, 245, 240));
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 110, 200));
    p.drawRect(QRectF(380, 420, 110, 30));
}

void balloon(QPainter& p, QPointF at, double scale, const QColor& a, const QColor& b)
{
    QPainterPath envelope;
    envelope.moveTo(at + QPointF(0, 60) * scale);
    envelope.cubicTo(at + QPointF(-55, 20) * scale, at + QPointF(-55, -60) * scale, at + QPointF(0, -60) * scale);
    envelope.cubicTo(at + QPointF(55, -60) * scale, at + QPointF(55, 20) * scale, at + QPointF(0, 60) * scale);
    p.fillPath(envelope, a);
    p.save();
    p.setClipPath(envelope);
    for (int i = -3; i <= 3; i += 2)
        p.fillRect(QRectF(at.x() + (i * 12 - 6) * scale, at.y() - 70 * scale, 12 * scale, 140 * scale), b);
    QRadialGradient shine(at + QPointF(-18, -25) * scale, 60 * scale);
    shine.setColorAt(0, QColor(255, 255, 255, 90));
    shine.setColorAt(1, QColor(0, 0, 0, 40));
    p.fillPath(envelope, shine);
    p.restore();
    p.setPen(QPen(QColor(70, 50, 30), 1.2 * scale));
    p.drawLine(at + QPointF(-8, 58) * scale, at + QPointF(-7, 76) * scale);
    p.drawLine(at + QPointF(8, 58) * scale, at + QPointF(7, 76) * scale);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 80, 40));
    p.drawRect(QRectF(at + QPointF(-8, 76) * scale, QSizeF(16, 12) * scale));
}

void paintBalloons(QPainter& p, double phase)
{
    sky(p, Height, {{0, QColor(90, 150, 230)}, {0.8, QColor(250, 210, 170)}, {1, QColor(250, 190, 150)}});
    cloud(p, {120, 120}, 0.8, QColor(255, 255, 255, 200));
    cloud(p, {470, 170}, 1.0, QColor(255, 250, 245, 210));
    ridge(p, {{0, 400}, {140, 360}, {290, 390}, {430, 350}, {640, 385}}, Height, QColor(90, 120, 80),
          QColor(50, 80, 50));
    ridge(p, {{0, 440}, {200, 415}, {400, 445}, {640, 420}}, Height, QColor(60, 95, 55), QColor(30, 60, 35));
    const double lift = phase * 120;
    balloon(p, {170, 230 - lift * 0.8}, 1.1, QColor(220, 50, 50), QColor(250, 200, 40));
    balloon(p, {360, 170 - lift}, 1.4, QColor(40, 90, 200), QColor(240, 240, 240));
    balloon(p, {520, 280 - lift * 0.6}, 0.8, QColor(60, 170, 80), QColor(250, 150, 40));
    balloon(p, {80, 330 - lift * 0.4}, 0.5, QColor(170, 60, 170), QColor(250, 220, 240));
}

void paintAutumnForest(QPainter& p, double)
{
    sky(p, 260, {{0, QColor(150, 190, 230)}, {1, QColor(240, 225, 200)}});
    QLinearGradient ground(0, 260, 0, Height);
    ground.setColorAt(0, QColor(150, 110, 50));
    ground.setColorAt(1, QColor(90, 60, 30));
    p.fillRect(QRectF(0, 260, Width, Height - 260), ground);
    QPainterPath path;
    path.moveTo(280, 260);
    path.lineTo(360, 260);
    path.cubicTo(380, 340, 520, 400, 560, 480);
    path.lineTo(120, 480);
    path.cubicTo(200, 400, 280, 340, 280, 260);
    p.fillPath(path, QColor(200, 170, 120));

    QRandomGenerator random(2001);
    const QColor leaves[] = {QColor(220, 90, 30), QColor(240, 170, 40), QColor(180, 50, 30), QColor(200, 140, 40)};
    for (int row = 0; row < 3; ++row) {
        for (int i = 0; i < 9; ++i) {
            const double x = i * 75 + random.bounded(30.0) + (row % 2) * 35;
            if (x > 250 && x < 400 && row == 2)
                continue; // keep the path open
            const double base = 270 + row * 70;
            const double scale = 0.6 + row * 0.35;
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(80, 50, 30));
            p.drawRect(QRectF(x - 4 * scale, base - 40 * scale, 8 * scale, 60 * scale));
            for (int k = 0; k < 5; ++k) {
                p.setBrush(leaves[random.bounded(4)]);
                p.drawEllipse(QPointF(x + random.bounded(40.0) * scale - 20 * scale,
                                      base - 60 * scale - random.bounded(40.0) * scale),
                              26 * scale, 22 * scale);
            }
        }
    }
    for (int i = 0; i < 40; ++i) {
        p.setBrush(leaves[random.bounded(4)]);
        p.drawEllipse(QPointF(random.bounded(640.0), 300 + random.bounded(180.0)), 4, 2.5);
    }
}

} // namespace

QSize canvasSize(Scene scene)
{
    return scene == Scene::Lighthouse ? QSize(480, 640) : QSize(640, 480);
}

QImage renderScene(Scene scene, QSize size, double phase)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QSize canvas = canvasSize(scene);
    p.scale(double(size.width()) / canvas.width(), double(size.height()) / canvas.height());
    switch (scene) {
    case Scene::SunsetLake:
        paintSunsetLake(p, phase);
        break;
    case Scene::Meadow:
        paintMeadow(p, phase);
        break;
    case Scene::Lighthouse:
        paintLighthouse(p, phase);
        break;
    case Scene::CityNight:
        paintCityNight(p, phase);
        break;
    case Scene::Beach:
        paintBeach(p, phase);
        break;
    case Scene::Balloons:
        paintBalloons(p, phase);
        break;
    case Scene::AutumnForest:
        paintAutumnForest(p, phase);
        break;
    }
    p.end();
    return image;
}

} // namespace samples
