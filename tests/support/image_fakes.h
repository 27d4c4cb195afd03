// Test stand-ins for the image library calls and the open-file dialog, a
// share with an entry folder, and a closer for real modal runs.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "image/image_file_chooser.h"
#include "image/image_library_calls.h"
#include "platform/framework/dialog.h"
#include "tests/support/test_support.h"

namespace menvolt_test {

// Records every call with the path it carried (copied, since the buffer
// belongs to the caller) and answers with `result`.
class RecordingLibrary : public image::ImageLibraryCalls {
public:
    RecordingLibrary() { m_previous = image::SetImageLibrary(this); }
    ~RecordingLibrary() override { image::SetImageLibrary(m_previous); }

    int CreateImage(const ImageCreateRequest& request) override {
        creates.push_back(request);
        createPaths.push_back(request.path ? request.path : "");
        return result;
    }
    int ViewImage(const ImageViewRequest& request) override {
        views.push_back(request);
        viewPaths.push_back(request.path ? request.path : "");
        return result;
    }

    int result = 0;
    std::vector<ImageCreateRequest> creates;
    std::vector<std::string> createPaths;
    std::vector<ImageViewRequest> views;
    std::vector<std::string> viewPaths;

private:
    image::ImageLibraryCalls* m_previous = nullptr;
};

// Answers the open-file dialog with a fixed path, or Cancel when it is empty.
class ScriptedChooser : public image::ImageFileChooser {
public:
    ScriptedChooser() { m_previous = image::SetFileChooser(this); }
    ~ScriptedChooser() override { image::SetFileChooser(m_previous); }

    bool ChooseFile(const std::string& initialFile, const std::string& filter, std::string& chosen) override {
        ++asked;
        lastInitial = initialFile;
        lastFilter = filter;
        if (answer.empty()) return false;
        chosen = answer;
        return true;
    }

    std::string answer;  // a Windows path; empty = Cancel
    int asked = 0;
    std::string lastInitial, lastFilter;

private:
    image::ImageFileChooser* m_previous = nullptr;
};

// The share \\TESTHOST\RemInst with the entry folder of English tools, and a
// second folder outside it to browse from.
struct EntryShare {
    menvolt_test::TempShare share;
    std::filesystem::path entryDir;
    std::filesystem::path otherDir;
    std::string folder;       // Windows path of the entry folder, with backslash
    std::string otherFolder;  // Windows path of the other folder

    EntryShare() {
        entryDir = share.path() / "Setup" / "English" / "Tools" / "Zent" / "i386";
        otherDir = share.path() / "Incoming";
        std::filesystem::create_directories(entryDir);
        std::filesystem::create_directories(otherDir);
        folder = menvolt_test::TempShare::Unc("Setup\\English\\Tools\\Zent\\i386\\");
        otherFolder = menvolt_test::TempShare::Unc("Incoming\\");
    }
    std::filesystem::path Entry(const std::string& name) const { return entryDir / name; }
    std::filesystem::path Other(const std::string& name) const { return otherDir / name; }
};

// Acts once on the first modal dialog of ours that shows, and closes every
// modal still open after the deadline or when the closer goes, so a failing
// test cannot hang in a modal loop.
class ModalCloser {
public:
    explicit ModalCloser(std::function<void(framework::CDialog&)> act, int deadlineMs = 5000)
        : m_act(std::move(act)) {
        m_clock.start();
        QObject::connect(&m_timer, &QTimer::timeout, [this, deadlineMs] {
            QWidget* modal = QApplication::activeModalWidget();
            if (m_clock.elapsed() > deadlineMs) {
                if (modal) modal->close();
                return;
            }
            auto* window = qobject_cast<framework::DialogWindow*>(modal);
            if (!window || !window->isVisible() || m_done) return;
            m_done = true;
            m_act(*window->Owner());
        });
        m_timer.start(10);
    }
    ~ModalCloser() {
        m_timer.stop();
        for (int i = 0; i < 10; ++i)
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    }
    bool Acted() const { return m_done; }

private:
    std::function<void(framework::CDialog&)> m_act;
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_done = false;
};

// fsck.fat -n on an image file: true when it reports no inconsistency.
bool FsckClean(const std::filesystem::path& image, std::string* report = nullptr);

}  // namespace menvolt_test
