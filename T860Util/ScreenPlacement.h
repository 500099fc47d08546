#pragma once
// Placing windows on the screen.

class QWidget;

// Centres the window on the available area of the screen it belongs to: its
// owner's screen, or the primary screen for a window without owner.
void CentreOnScreen(QWidget& window);
