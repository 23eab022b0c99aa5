/* The uploader window: "File:" entry, "Open...", "Send", a progress bar, and
 * the message dialogs that end a run. The transfer runs on its own thread; the
 * window only renders what it publishes (main.h), on a 100 ms timer. */
#ifndef VORNE_UPLOADER_MAINWIN_H
#define VORNE_UPLOADER_MAINWIN_H

#include "converters.h"
#include "main.h"

#include <gtk/gtk.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

enum { FILE_PATH_LEN = 256, THR_RUNNING = 255 };

struct transfer_arg {
    const char *path;
    file_type_e type;
    int converter; /* the drop-down's choice, -1 when it offers none */
};

extern GtkWidget *window;
extern GtkWidget *frame;
extern GtkWidget *label;
extern GtkWidget *textBox;
extern GtkWidget *buttonOpen;
extern GtkWidget *buttonSend;
extern GtkWidget *prograssBar;
extern GtkWidget *table;
/* "Converter:" and its drop-down, only when several converters answered. */
extern GtkWidget *converterLabel;
extern GtkWidget *converterBox;
/* The file chooser or message dialog currently open, null otherwise. */
extern GtkWidget *dialog;
extern char file[FILE_PATH_LEN];
extern unsigned char compEnabled;
extern std::atomic<int> thrTrans;
extern std::thread thread;
extern transfer_arg arg;
extern guint ptimer;

/* Builds the window and runs the main loop until it is destroyed; then stops
 * or awaits a running transfer so the caller may close the device. */
void createGUI();
/* Several converters answered: the window offers `choices` in a drop-down,
 * `selected` (the one open now) first chosen; fewer than two, none. Call
 * before createGUI. */
void setConverterChoices(const std::vector<BridgeLook> &choices, int selected);
/* createGUI's first half: the window shown, the timer running; false without a display. */
bool buildGUI();
/* Ends a running transfer early and waits for its thread. */
void finishTransfer();
GtkWidget *getFrame();
int moveComponents();
int resizeComponent();
void buttonOpenAction(GtkWidget *button, gpointer data);
void buttonSendAction(GtkWidget *button, gpointer data);
/* What "Open..." does with the chooser's answer; false when the path is refused. */
bool acceptChosenFile(const char *path);
void *read_send_file_struct(void *arg);
gboolean progress(gpointer bar);
void messageInfo_show();
void messageError_show();
void messageShow();
/* The window icon: "kvx.png" in the working directory, else the copy installed
 * beside the program at `exePath`; the plain name when neither exists, so the
 * loader's error names it. */
std::string iconFile(const char *exePath);
/* A drop-down entry: "NAME (IDENTIFICATION)". */
std::string converterChoiceText(const BridgeLook &look);
/* "VORNE_uploader 1.1." with the identification, when there is one. */
void windowTitle(char *out, size_t size);

#endif
