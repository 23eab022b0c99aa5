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

/* Runs step every 20 ms inside the main loop until it returns false or the
 * script goes out of scope. */
struct Script {
    std::function<bool()> step;
    guint source;
    explicit Script(std::function<bool()> f) : step(std::move(f)) { source = g_timeout_add(20, tick, this); }
    ~Script() {
        if (source)
            g_source_remove(source);
    }
    static gboolean tick(gpointer p) {
        auto *self = static_cast<Script *>(p);
        if (self->step())
            return G_SOURCE_CONTINUE;
        self->source = 0;
        return G_SOURCE_REMOVE;
    }
};

class Window : public ::testing::Test {
protected:
    MiniConverter conv;
    void SetUp() override {
        // No desktop session here: keep GTK's settings in memory.
        g_setenv("GSETTINGS_BACKEND", "memory", TRUE);
        if (!gtk_init_check(nullptr, nullptr))
            GTEST_SKIP() << "no X display (run under xvfb-run)";
        fake::reset();
        fake::line.onWrite = [this](const std::string &w) { conv(w); };
        file[0] = 0; // cases may share one process
        msgType = 0; // a silent run leaves its outcome unshown
    }
    int runProgram(std::vector<std::string> args = {}) {
        args.insert(args.begin(), "VORNE_uploader");
        std::vector<char *> argv;
        for (std::string &a : args)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        testing::internal::CaptureStdout();
        int code = uploaderMain((int)args.size(), argv.data());
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

/* Cancels the file chooser once it is open; keeps its title and filters. */
struct ChooserAnswer {
    std::vector<std::string> filters;
    std::string selectedFilter;
    std::string title;
    bool seen = false;
    guint source;
    ChooserAnswer() { source = g_timeout_add(20, tick, this); }
    ~ChooserAnswer() { g_source_remove(source); }
    static gboolean tick(gpointer p) {
        auto *self = static_cast<ChooserAnswer *>(p);
        if (!dialog || !GTK_IS_FILE_CHOOSER(dialog) || self->seen)
            return G_SOURCE_CONTINUE;
        self->seen = true;
        self->title = gtk_window_get_title(GTK_WINDOW(dialog));
        GSList *list = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(dialog));
        for (GSList *l = list; l; l = l->next)
            self->filters.push_back(gtk_file_filter_get_name(GTK_FILE_FILTER(l->data)));
        g_slist_free(list);
        self->selectedFilter = gtk_file_filter_get_name(gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(dialog)));
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
        return G_SOURCE_CONTINUE;
    }
};

TEST_F(Window, FileChooser) {
    openDevice(0);
    ASSERT_TRUE(buildGUI());
    {
        ChooserAnswer cancel;
        testing::internal::CaptureStdout();
        gtk_button_clicked(GTK_BUTTON(buttonOpen));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "FileChooser Canceled\n");
        EXPECT_TRUE(cancel.seen);
        EXPECT_EQ(cancel.title, "Open File");
        EXPECT_EQ(cancel.filters, (std::vector<std::string>{"Config files", "Firmware files", "Any files"}));
        EXPECT_EQ(cancel.selectedFilter, "Config files");
        EXPECT_EQ(file[0], 0);
        EXPECT_EQ(dialog, nullptr);
    }
    // What an accepted choice does (the chooser itself is GTK's).
    std::string path = tempFile("chosen.bin", "x");
    testing::internal::CaptureStdout();
    EXPECT_TRUE(acceptChosenFile(path.c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "FileChooser = " + path + "\n");
    EXPECT_EQ(std::string(file), path);
    EXPECT_EQ(std::string(gtk_entry_get_text(GTK_ENTRY(textBox))), path);
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
    Script script([&]() {
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
    });
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
    Script script([&]() {
        if (!window)
            return false;
        if (step++ == 0) {
            // From here on the box stays silent.
            fake::line.onWrite = nullptr;
            acceptChosenFile(path.c_str());
            gtk_button_clicked(GTK_BUTTON(buttonSend));
        }
        return true;
    });
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
    Script script([&]() {
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
    });
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

TEST_F(Window, SilentModeWithoutFileStillShowsTheNoDeviceDialog) {
    fake::bridges.clear();
    DialogAnswerer answer;
    EXPECT_EQ(runProgram({"-s"}), 1);
    ASSERT_EQ(answer.texts.size(), 1u);
    EXPECT_EQ(answer.types[0], GTK_MESSAGE_ERROR);
    EXPECT_EQ(answer.texts[0], "DEVICE NOT FOUND\n");
    // With a file, silent mode shows nothing.
    std::string path = tempFile("nodev.bin", "x");
    testing::internal::CaptureStderr();
    EXPECT_EQ(runProgram({"-s", path}), 1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer.texts.size(), 1u);
}

TEST_F(Window, NoConverterShowsItsErrorDialog) {
    fake::bridges[0].description = "FT232R USB UART";
    DialogAnswerer answer;
    std::string path = tempFile("noconv.bin", "x");
    testing::internal::CaptureStderr();
    EXPECT_EQ(runProgram({path}), 1);
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(answer.texts.size(), 1u);
    EXPECT_EQ(answer.texts[0], "VORNE DEVICE NOT FOUND\n");
}

TEST_F(Window, CommandLineRunShowsTheOutcomeUnlessSilent) {
    std::string path = tempFile("cmd.bin", std::string(20, 'k'));
    DialogAnswerer answer;
    EXPECT_EQ(runProgram({path}), 0);
    ASSERT_EQ(answer.texts.size(), 1u);
    EXPECT_EQ(answer.types[0], GTK_MESSAGE_INFO);
    EXPECT_EQ(answer.texts[0], "Vorne config file:\n" + path + "\n(20B)\n\nDONE\r\nCRC: OK\r\n");
    // A failed transfer in silent mode: no dialog, and still exit code 0.
    conv.finalReply = "DONE\r\nCRC: BAD\r\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(runProgram({"-s", path}), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("CRC: BAD"), std::string::npos);
    EXPECT_EQ(answer.texts.size(), 1u);
}

TEST_F(Window, SeveralConvertersAreOfferedAboveTheFileAndTheChosenOneIsSent) {
    fake::bridges = {FakeBridge(), FakeBridge()};
    fake::bridges[1].serial = "FAKE0002";
    std::string path = tempFile("several.bin", std::string(24, 's'));
    DialogAnswerer answer;
    int sentTo = -2;
    bool boxDisabled = false;
    answer.onDialog = [&] {
        sentTo = getOpenDevice();
        boxDisabled = !enabled(converterBox);
    };
    std::vector<std::string> entries;
    int boxY = -1, boxH = -1, entryY = -1;
    int step = 0;
    Script script([&]() {
        if (!window)
            return false;
        if (gtk_main_level() == 0)
            return true; // still being laid out
        if (step++ == 0) {
            pump(300);
            if (!converterBox) {
                ADD_FAILURE() << "no drop-down with two converters";
                gtk_widget_destroy(window);
                return false;
            }
            EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(converterLabel)), "Converter:");
            // The search's choice, the highest index, comes first and is chosen.
            EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(converterBox)), 0);
            for (int i = 0; i < 2; ++i) {
                gtk_combo_box_set_active(GTK_COMBO_BOX(converterBox), i);
                gchar *text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(converterBox));
                entries.push_back(text ? text : "");
                g_free(text);
            }
            gtk_container_child_get(GTK_CONTAINER(frame), converterBox, "y", &boxY, NULL);
            gtk_container_child_get(GTK_CONTAINER(frame), textBox, "y", &entryY, NULL);
            boxH = gtk_widget_get_allocated_height(converterBox);
            acceptChosenFile(path.c_str());
            gtk_button_clicked(GTK_BUTTON(buttonSend));
        }
        return true;
    });
    testing::internal::CaptureStderr();
    EXPECT_EQ(runProgram(), 0);
    const std::string notice = testing::internal::GetCapturedStderr();
    EXPECT_NE(notice.find("chosen FAKE0002 (the highest index), not FAKE0001"), std::string::npos) << notice;
    EXPECT_EQ(entries, (std::vector<std::string>{"FAKE0002 (VORNE DMX-RS232 2.0)", "FAKE0001 (VORNE DMX-RS232 2.0)"}));
    EXPECT_GE(entryY, boxY + boxH);
    EXPECT_EQ(arg.converter, 1);
    EXPECT_EQ(sentTo, 0);
    EXPECT_TRUE(boxDisabled);
    ASSERT_EQ(answer.texts.size(), 1u);
    EXPECT_EQ(answer.types[0], GTK_MESSAGE_INFO) << answer.texts[0];
    setConverterChoices({}, -1);
}

} // namespace
