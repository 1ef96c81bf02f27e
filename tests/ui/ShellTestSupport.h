#pragma once
// Helpers of the shell tests: a dialog runner that answers at once, a private
// settings store per test, and JPEG fixtures with scrambled cards.

#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "card/Scrambler.h"
#include "support/ImageFixtures.h"
#include "ui/DialogRunner.h"
#include "ui/MainFrame.h"
#include "ui/MessageDlg.h"
#include "ui/TsnApplication.h"

// Records every dialog it is given and answers it from a queue per class name
// (Rejected when the queue is empty). The dialog is shown while it is answered,
// so that it fills its controls as it would on screen.
class FakeDialogRunner : public DialogRunner {
public:
    using Answer = std::function<int(QDialog&)>;

    struct Shown {
        QString className;
        QString title;
        QString text;  // a message dialog's or message box's text
    };

    void answer(const QString& className, Answer answer) {
        m_answers[className].push_back(std::move(answer));
    }
    void answer(const QString& className, int result) {
        answer(className, [result](QDialog&) { return result; });
    }

    int RunModal(QDialog& dialog) override {
        dialog.show();
        const QString className = QString::fromLatin1(dialog.metaObject()->className());
        QString text;
        if (auto* message = qobject_cast<CMessageDlg*>(&dialog))
            text = message->textControl()->text();
        else if (auto* box = qobject_cast<QMessageBox*>(&dialog))
            text = box->text();
        shown.push_back({className, dialog.windowTitle(), text});
        int result = QDialog::Rejected;
        std::deque<Answer>& queue = m_answers[className];
        if (!queue.empty()) {
            Answer next = std::move(queue.front());
            queue.pop_front();
            result = next(dialog);
        }
        dialog.hide();
        return result;
    }

    QStringList classNames() const {
        QStringList names;
        for (const Shown& s : shown)
            names << s.className;
        return names;
    }

    std::vector<Shown> shown;

private:
    QMap<QString, std::deque<Answer>> m_answers;
};

// The user's and the system-wide settings in a fresh directory for one test.
class SettingsSandbox {
public:
    SettingsSandbox() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path() + "/user"));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_dir.path() + "/system"));
    }
    ~SettingsSandbox() {
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_CONFIG_DIRS");
    }

    // The user's file, as the program finds it.
    static QSettings store() {
        return QSettings(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Tessellon/tsn_viewer.conf",
                         QSettings::IniFormat);
    }
    static QVariant value(const QString& key) { return store().value(key); }
    static void setValue(const QString& key, const QVariant& value) {
        QSettings settings = store();
        settings.setValue(key, value);
        settings.sync();
    }

    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// A 120 x 80 JPEG at `path` whose one comment is `plainCard` scrambled (none when
// empty), followed by an ordinary comment.
inline bool WriteCardJpeg(const QString& path, const std::string& plainCard) {
    std::vector<std::string> comments;
    if (!plainCard.empty()) {
        auto card = ScrambleComment(plainCard);
        if (!card)
            return false;
        comments.push_back(*card);
    }
    comments.push_back("an ordinary comment");
    return fixtures::WriteJpegFile(path.toStdString(), 120, 80, comments);
}

inline const std::string kGeneralAndCopyright = "tSN|gen|TITPyrite|cpr|HLDA. Holder|end";

// One run of the program past its first start (the welcome offer already made), with
// its own settings and a dialog runner that answers at once.
struct RunningProgram {
    SettingsSandbox settings;
    FakeDialogRunner runner;
    std::unique_ptr<TsnApplication> program;

    RunningProgram() {
        SettingsSandbox::setValue("welcome", 1);
        SettingsSandbox::setValue("instdir", settings.path());
        start();
    }
    // A run after the previous one ended.
    void start() {
        program = std::make_unique<TsnApplication>(runner);
        if (!program->InitInstance({}))
            qFatal("start-up failed");
    }
    void restart() {
        program->ExitInstance();
        program.reset();
        start();
    }
    CMainFrame& frame() { return *program->frame(); }
};
