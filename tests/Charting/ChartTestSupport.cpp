#include "tests/Charting/ChartTestSupport.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

#include "Charting/Chart.h"

QImage RenderChart(TChart& chart) {
    QImage image(chart.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    chart.Draw(painter);
    return image;
}

void SendMouse(TChart& chart, QEvent::Type type, QPoint position, Qt::MouseButton button,
               Qt::KeyboardModifiers modifiers) {
    // A move reports the held buttons only; a release no longer holds its button.
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    const Qt::MouseButton changed = type == QEvent::MouseMove ? Qt::NoButton : button;
    QMouseEvent event(type, QPointF(position), QPointF(chart.mapToGlobal(position)), changed, held,
                      modifiers);
    QCoreApplication::sendEvent(&chart, &event);
}

namespace {
int CountMatching(const QImage& image, const QRect& area,
                  const std::function<bool(const QColor&)>& matches) {
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            count += matches(image.pixelColor(x, y)) ? 1 : 0;
        }
    }
    return count;
}
}  // namespace

int CountColour(const QImage& image, const QRect& area, const QColor& colour) {
    return CountMatching(image, area,
                         [&](const QColor& pixel) { return pixel.rgb() == colour.rgb(); });
}

int CountReddish(const QImage& image, const QRect& area) {
    return CountMatching(image, area, [](const QColor& pixel) {
        return pixel.red() > 180 && pixel.green() < 120 && pixel.blue() < 120;
    });
}

void ProcessEvents() {
    QCoreApplication::processEvents();
}
