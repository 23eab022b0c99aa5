/* The uploader window: title, controls during a transfer, the outcome dialog
 * that ends the run, refusals. Driven through the window's own functions and
 * GLib timeouts, never by pixel clicks. */
#include "fake_d2xx.h"
#include "ftdi.h"
#include "main.h"
#include "mainWin.h"
#include "mini_converter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>

namespace {

std::string tempFile(const std::string &name, const std::string &bytes) {
    std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string title() { return gtk_window_get_title(GTK_WINDOW(window)); }

/* Lets the frame clock lay the window out. */
void pump(int ms) {
    const gint64 until = g_get_monotonic_time() + ms * 1000;
    while (g_get_monotonic_time() < until) {
        while (gtk_events_pending())
            gtk_main_iteration();
        g_usleep(5000);
    }
}

bool enabled(GtkWidget *w) { return gtk_widget_get_sensitive(w); }

/* Answers every message dialog with OK and keeps what it said. */
struct DialogAnswerer {
    std::vector<std::string> texts;
    std::vector<GtkMessageType> types;
    std::function<void()> onDialog;
    guint source = 0;
    DialogAnswerer() { source = g_timeout_add(20, tick, this); }
    ~DialogAnswerer() { g_source_remove(source); }
    static gboolean tick(gpointer p) {
        auto *self = static_cast<DialogAnswerer *>(p);
        if (dialog && GTK_IS_MESSAGE_DIALOG(dialog)) {
            gchar *text = nullptr;
            GtkMessageType type;
            g_object_get(dialog, "text", &text, "message-type", &type, NULL);
            self->texts.push_back(text ? text : "");
            self->types.push_back(type);
            g_free(text);
            if (self->onDialog)
                self->onDialog();
            gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
        }
        return G_SOURCE_CONTINUE;
    }
};

/* Runs step every 20 ms inside the main loop until it returns false. */
void every20ms(std::function<bool()> *step) {
    g_timeout_add(
        20, [](gpointer p) -> gboolean { return (*static_cast<std::function<bool()> *>(p))() ? TRUE : FALSE; }, step);
}

class Window : public ::testing::Test {
protected:
    MiniConverter conv;
    void SetUp() override {
        if (!gtk_init_check(nullptr, nullptr))
            GTEST_SKIP() << "no X display (run under xvfb-run)";
        fake::reset();
        fake::line.onWrite = [this](const std::string &w) { conv(w); };
    }
    int runProgram() {
        char name[] = "VORNE_uploader";
        char *argv[] = {name, nullptr};
        testing::internal::CaptureStdout();
        int code = uploaderMain(1, argv);
        testing::internal::GetCapturedStdout();
        return code;
    }
};

TEST_F(Window, TitleBeforeAndAfterIdentification) {
    openDevice(0);
    ASSERT_TRUE(buildGUI());
    EXPECT_EQ(title(), "VORNE_uploader 1.1.");
    testing::internal::CaptureStdout();
    ASSERT_EQ(checkDev(), 1);
    testing::internal::GetCapturedStdout();
    // The title follows the controls' state changes.
    thrTrans = THR_RUNNING;
    progress(prograssBar);
    EXPECT_EQ(title(), "VORNE_uploader 1.1. (VORNE DMX-RS232 2.0)");
    thrTrans = 0;
    gtk_widget_destroy(window);
    EXPECT_EQ(window, nullptr);
    closeDevice();
}

TEST_F(Window, LayoutAndStartState) {
    openDevice(0);
    ASSERT_TRUE(buildGUI());
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(label)), "File:");
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(buttonOpen)), "Open...");
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(buttonSend)), "Send");
    EXPECT_EQ(gtk_entry_get_max_length(GTK_ENTRY(textBox)), 255);
    progress(prograssBar);
    EXPECT_EQ(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(prograssBar)), 0.0);
    EXPECT_TRUE(enabled(buttonSend) && enabled(buttonOpen) && enabled(textBox));
    pump(300);
    // "Send" sits right of "Open...", both under the entry, the bar below them.
    GtkAllocation entry, open, send, bar;
    gtk_widget_get_allocation(textBox, &entry);
    gtk_widget_get_allocation(buttonOpen, &open);
    gtk_widget_get_allocation(buttonSend, &send);
    gtk_widget_get_allocation(table, &bar);
    EXPECT_GT(send.x, open.x + open.width - 1);
    EXPECT_GE(open.y, entry.y + entry.height);
    EXPECT_GE(bar.y, open.y + open.height);
    gtk_widget_destroy(window);
    closeDevice();
}

TEST_F(Window, SendWithoutFileDoesNothing) {
    openDevice(0);
    ASSERT_TRUE(buildGUI());
    gtk_button_clicked(GTK_BUTTON(buttonSend));
    EXPECT_EQ(thrTrans, 0);
    EXPECT_FALSE(thread.joinable());
    EXPECT_EQ(fake::line.written, "");
    gtk_widget_destroy(window);
    closeDevice();
}

TEST_F(Window, TooLongPathIsRefused) {
    openDevice(0);
    ASSERT_TRUE(buildGUI());
    DialogAnswerer answer;
    std::string path = "/" + std::string(300, 'p');
    EXPECT_FALSE(acceptChosenFile(path.c_str()));
    EXPECT_EQ(file[0], 0);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(textBox)), "");
    ASSERT_EQ(answer.texts.size(), 1u);
    EXPECT_EQ(answer.texts[0].substr(0, 42), "Path too long (more than 255 characters):\n");
    // The window stays.
    EXPECT_NE(window, nullptr);
    gtk_widget_destroy(window);
    closeDevice();
}

TEST_F(Window, TransferDisablesControlsAndItsDialogEndsTheProgram) {
    std::string path = tempFile("cfg 100%s%d.bin", std::string(40, 'c'));
    DialogAnswerer answer;
    bool disabledSeen = false;
    answer.onDialog = [&disabledSeen] {
        disabledSeen = !enabled(buttonSend) && !enabled(buttonOpen) && !enabled(textBox) && compEnabled == 0;
    };
    int step = 0;
    std::function<bool()> script = [&]() {
        if (!window)
            return false;
        if (step++ == 0) {
            acceptChosenFile(path.c_str());
            // Typing into the entry does not change what is sent.
            gtk_entry_set_text(GTK_ENTRY(textBox), "/somewhere/else.bin");
            gtk_button_clicked(GTK_BUTTON(buttonSend));
            gtk_button_clicked(GTK_BUTTON(buttonSend)); // a second press while it runs is ignored
        }
        return true;
    };
    every20ms(&script);
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(window, nullptr);
    ASSERT_EQ(answer.texts.size(), 1u);
    EXPECT_EQ(answer.types[0], GTK_MESSAGE_INFO);
    EXPECT_EQ(answer.texts[0], "Vorne config file:\n" + path + "\n(40B)\n\nDONE\r\nCRC: OK\r\n");
    EXPECT_TRUE(disabledSeen);
    EXPECT_EQ(msgType, 0);
    EXPECT_EQ(fake::line.written.substr(fake::line.written.find("CfgFile")),
              "CfgFile=40\r" + std::string(40, 'c') + std::string(8, '\0'));
    EXPECT_EQ(getOpenDevice(), -1);
}

TEST_F(Window, ErrorDialogAlsoEndsTheProgramWithZero) {
    std::string path = tempFile("nook.bin", std::string(16, 'c'));
    DialogAnswerer answer;
    int step = 0;
    std::function<bool()> script = [&]() {
        if (!window)
            return false;
        if (step++ == 0) {
            // From here on the box stays silent.
            fake::line.onWrite = nullptr;
            acceptChosenFile(path.c_str());
            gtk_button_clicked(GTK_BUTTON(buttonSend));
        }
        return true;
    };
    every20ms(&script);
    EXPECT_EQ(runProgram(), 0);
    ASSERT_EQ(answer.texts.size(), 1u);
    EXPECT_EQ(answer.types[0], GTK_MESSAGE_ERROR);
    EXPECT_EQ(answer.texts[0], "Device not responding.");
}

TEST_F(Window, ClosingTheWindowStopsTheTransfer) {
    std::string path = tempFile("slow.bin", std::string(16, 'c'));
    DialogAnswerer answer;
    int step = 0;
    std::chrono::steady_clock::time_point closedAt;
    std::function<bool()> script = [&]() {
        if (!window)
            return false;
        if (step == 0) {
            fake::line.onWrite = nullptr; // six unanswered announcements would take over 600 ms
            acceptChosenFile(path.c_str());
            gtk_button_clicked(GTK_BUTTON(buttonSend));
        } else if (step == 3) {
            EXPECT_EQ(thrTrans, THR_RUNNING);
            closedAt = std::chrono::steady_clock::now();
            gtk_widget_destroy(window);
            return false;
        }
        step++;
        return true;
    };
    every20ms(&script);
    EXPECT_EQ(runProgram(), 0);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - closedAt);
    EXPECT_LT(ms.count(), 400);
    EXPECT_FALSE(thread.joinable());
    ASSERT_EQ(answer.texts.size(), 1u);
    EXPECT_EQ(answer.texts[0], "Transfer stopped: the window was closed.");
}

TEST_F(Window, NoDeviceShowsItsErrorDialog) {
    fake::bridges.clear();
    DialogAnswerer answer;
    EXPECT_EQ(runProgram(), 1);
    ASSERT_EQ(answer.texts.size(), 1u);
    EXPECT_EQ(answer.texts[0], "DEVICE NOT FOUND\n");
}

} // namespace
