#pragma once
// Helpers for the chart tests: render a chart into an image, send it mouse
// events, and look at the colours of pixels.

#include <QColor>
#include <QEvent>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <functional>

class TChart;

QImage RenderChart(TChart& chart);

void SendMouse(TChart& chart, QEvent::Type type, QPoint position,
               Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Pixels of exactly this colour inside the area.
int CountColour(const QImage& image, const QRect& area, const QColor& colour);
// Pixels whose colour is mostly red, as antialiased red text leaves them.
int CountReddish(const QImage& image, const QRect& area);

// Runs the window thread's queued work.
void ProcessEvents();
