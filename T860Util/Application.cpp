#include "T860Util/Application.h"

#include <cstdio>
#include <exception>

#include "T860Util/Main.h"
#include "T860Util/UiSeam.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(kMainCaption);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowExceptionMessage(error.what());
    } catch (...) {
        ShowExceptionMessage("");
    }
    return false;
}

void ShowExceptionMessage(const char* message) {
    if (QApplication::instance() == nullptr) {
        std::fprintf(stderr, "%s\n", message);
        return;
    }
    ShowMessageBox({QString::fromLocal8Bit(message), QApplication::applicationName(),
                    MessageButtons::Ok, MessageIcon::Error, nullptr});
}
