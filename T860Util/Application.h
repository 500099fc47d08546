#pragma once
// The application object: an exception that escapes an event handler is shown
// in the standard exception message box instead of ending the program.

#include <QApplication>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// True when an argument of the program's command line begins with the option
// (without regard to case).
bool ProgramHasOption(const char* option);

// Shows an exception's message (empty for an object that is no exception).
void ShowExceptionMessage(const char* message);
