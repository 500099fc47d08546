#pragma once
// Answers the program's message boxes and dialogs without a person: records
// every request and gives the scripted answers in order (OK, cancel, and the
// modal dialog's accept code when nothing was scripted).

#include <QDialog>
#include <deque>
#include <functional>
#include <vector>

#include "T860Util/UiSeam.h"

class ScriptedUi : public UiAnswerer {
public:
    ScriptedUi() { InstallUiAnswerer(this); }
    ~ScriptedUi() override { InstallUiAnswerer(nullptr); }

    MessageResult MessageBox(const MessageBoxRequest& request) override {
        messages.push_back(request);
        return Take(messageAnswers, MessageResult::Ok);
    }
    std::optional<QString> SaveFileName(const SaveDialogRequest& request) override {
        saveDialogs.push_back(request);
        return Take(saveAnswers, std::optional<QString>{});
    }
    int ExecDialog(QDialog& dialog) override {
        dialogs.push_back(&dialog);
        if (dialogAnswers.empty()) {
            return QDialog::Accepted;
        }
        auto answer = dialogAnswers.front();
        dialogAnswers.pop_front();
        return answer(dialog);
    }

    std::deque<MessageResult> messageAnswers;
    std::deque<std::optional<QString>> saveAnswers;
    // Each is given the dialog (to fill it in) and returns its result code.
    std::deque<std::function<int(QDialog&)>> dialogAnswers;

    std::vector<MessageBoxRequest> messages;
    std::vector<SaveDialogRequest> saveDialogs;
    std::vector<QDialog*> dialogs;

private:
    template <class T>
    static T Take(std::deque<T>& answers, T fallback) {
        if (answers.empty()) {
            return fallback;
        }
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};
