#include "T860Util/UiSeam.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace {

// "Text (*.ext)|*.EXT|..." as the toolkit's filter list, each entry the
// description (which already names its pattern).
QString ToolkitFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        entries << parts[i];
    }
    return entries.join(";;");
}

class ToolkitAnswerer final : public UiAnswerer {
public:
    MessageResult MessageBox(const MessageBoxRequest& request) override {
        QMessageBox box(
            request.Icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
            request.Caption, request.Text,
            request.Buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                     : QMessageBox::Ok,
            request.Owner);
        switch (box.exec()) {
            case QMessageBox::Yes:
                return MessageResult::Yes;
            case QMessageBox::No:
                return MessageResult::No;
            default:
                return MessageResult::Ok;
        }
    }

    std::optional<QString> SaveFileName(const SaveDialogRequest& request) override {
        QFileDialog dialog(request.Owner, QString(), QString(), ToolkitFilter(request.Filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // The overwrite question is the caller's own.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setDefaultSuffix(
            request.DefaultExtension.mid(request.DefaultExtension.startsWith('.') ? 1 : 0));
        dialog.selectFile(request.FileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return dialog.selectedFiles().first();
    }

    int ExecDialog(QDialog& dialog) override { return dialog.exec(); }
};

ToolkitAnswerer toolkitAnswerer;
UiAnswerer* currentAnswerer = &toolkitAnswerer;

}  // namespace

void InstallUiAnswerer(UiAnswerer* answerer) {
    currentAnswerer = answerer != nullptr ? answerer : &toolkitAnswerer;
}

MessageResult ShowMessageBox(const MessageBoxRequest& request) {
    return currentAnswerer->MessageBox(request);
}

void ShowMessage(QWidget* owner, const QString& text, const QString& caption) {
    ShowMessageBox({text, caption, MessageButtons::Ok, MessageIcon::None, owner});
}

std::optional<QString> PromptSaveFileName(const SaveDialogRequest& request) {
    return currentAnswerer->SaveFileName(request);
}

int ExecModal(QDialog& dialog) {
    return currentAnswerer->ExecDialog(dialog);
}
