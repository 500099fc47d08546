#include "T860Util/Main.h"

TfrmMain::TfrmMain(QWidget* parent) : QWidget(parent) {
    setWindowTitle(kMainCaption);
}
