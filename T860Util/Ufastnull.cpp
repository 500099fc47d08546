#include "T860Util/Ufastnull.h"

// The stroke into a point is drawn only when neither it nor the point before it
// is null: a null on either side pins (LastX, LastY) to the point, which then
// takes the pen-move branch. A point on the pixel of the previous one costs no
// line call either.
void TFastLineNullSeries::DrawPoint(int valueIndex) {
    const int x = CalcXPos(valueIndex);
    const int y = CalcYPos(valueIndex);
    const TColor colour = PointLocked(valueIndex).Colour;
    CurrentColour = colour;
    if (PreviousColour == clNone || colour == clNone) {
        LastX = x;
        LastY = y;
    }
    if (valueIndex == FirstVisibleIndex()) {
        if (valueIndex > 0) {
            const TColor previous = PointLocked(valueIndex - 1).Colour;
            if (colour == clNone || previous == clNone) {
                MoveTo(x, y);
            } else {
                MoveTo(CalcXPos(valueIndex - 1), CalcYPos(valueIndex - 1));
                LineTo(x, y);
            }
        }
        MoveTo(x, y);
        LastX = x;
        LastY = y;
        PreviousColour = colour;
        return;
    }
    if (x == LastX && y == LastY) {
        MoveTo(x, y);
        PreviousColour = colour;
        return;
    }
    LineTo(x, y);
    LastX = x;
    LastY = y;
    PreviousColour = colour;
}
