#pragma once
// Every message box, save-file dialog and modal dialog of the program goes
// through here. By default they are the toolkit's own; tests install an
// answerer that records what would have been shown and answers at once.

#include <QString>
#include <optional>

class QDialog;
class QWidget;

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Error };
enum class MessageResult { Ok, Yes, No };

struct MessageBoxRequest {
    QString Text;
    QString Caption;
    MessageButtons Buttons = MessageButtons::Ok;
    MessageIcon Icon = MessageIcon::None;
    QWidget* Owner = nullptr;  // null: a window of its own
};

struct SaveDialogRequest {
    QWidget* Owner = nullptr;
    // "Description (*.ext)|*.EXT" pairs, as many as the dialog lists.
    QString Filter;
    QString DefaultExtension;  // with its dot, added when the name has none
    QString FileName;          // proposed
};

class UiAnswerer {
public:
    virtual ~UiAnswerer() = default;
    virtual MessageResult MessageBox(const MessageBoxRequest& request) = 0;
    // The chosen path, or nothing when cancelled.
    virtual std::optional<QString> SaveFileName(const SaveDialogRequest& request) = 0;
    // Runs a modal dialog and returns its result code (QDialog::Accepted...).
    virtual int ExecDialog(QDialog& dialog) = 0;
};

// nullptr restores the toolkit's own dialogs.
void InstallUiAnswerer(UiAnswerer* answerer);

MessageResult ShowMessageBox(const MessageBoxRequest& request);
// An OK box without icon, owned by the given window: the common case.
void ShowMessage(QWidget* owner, const QString& text, const QString& caption);
std::optional<QString> PromptSaveFileName(const SaveDialogRequest& request);
int ExecModal(QDialog& dialog);
