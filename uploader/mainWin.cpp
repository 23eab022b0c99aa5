/* The uploader window and the message dialogs. See mainWin.h. */
#include "mainWin.h"

#include "ftdi.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

GtkWidget *window = nullptr;
GtkWidget *frame = nullptr;
GtkWidget *label = nullptr;
GtkWidget *textBox = nullptr;
GtkWidget *buttonOpen = nullptr;
GtkWidget *buttonSend = nullptr;
GtkWidget *prograssBar = nullptr;
GtkWidget *table = nullptr;
GtkWidget *converterLabel = nullptr;
GtkWidget *converterBox = nullptr;
GtkWidget *dialog = nullptr;
char file[FILE_PATH_LEN];
unsigned char compEnabled = 1;
std::atomic<int> thrTrans{0};
std::thread thread;
transfer_arg arg;
guint ptimer = 0;

namespace {

const char ICON_FILE[] = "kvx.png";
#ifndef VORNE_INSTALLED_ICON
#define VORNE_INSTALLED_ICON "../share/vorne/kvx.png"
#endif

/* The thread's own copy of the path: "Open..." may change file meanwhile. */
char transferPath[FILE_PATH_LEN];
/* The drop-down's converters, and the one open now (-1: none is). */
std::vector<BridgeLook> converterChoices;
std::atomic<int> openChoice{-1};

void setIcon(GtkWidget *w) {
    gchar *exe = g_file_read_link("/proc/self/exe", nullptr);
    const std::string icon = iconFile(exe);
    g_free(exe);
    GError *err = nullptr;
    if (!gtk_window_set_icon_from_file(GTK_WINDOW(w), icon.c_str(), &err)) {
        fprintf(stderr, "%s\n", err ? err->message : icon.c_str());
        if (err)
            g_error_free(err);
    }
}

void setTitle() {
    char title[128];
    windowTitle(title, sizeof(title));
    // Until Send, the title names the converter the drop-down has chosen.
    const int chosen = converterBox ? gtk_combo_box_get_active(GTK_COMBO_BOX(converterBox)) : -1;
    if (chosen >= 0 && chosen != openChoice && chosen < (int)converterChoices.size())
        snprintf(title, sizeof(title), "VORNE_uploader 1.1. (%s)", converterChoices[chosen].ident.c_str());
    gtk_window_set_title(GTK_WINDOW(window), title);
}

void onConverterChanged(GtkComboBox *, gpointer) {
    if (window)
        setTitle();
}

void setWidthKeepHeight(GtkWidget *w, int width) {
    int h = -1;
    gtk_widget_get_size_request(w, nullptr, &h);
    gtk_widget_set_size_request(w, width < 1 ? 1 : width, h);
}

void place(GtkWidget *w, int x, int y) {
    int cx = 0, cy = 0;
    gtk_container_child_get(GTK_CONTAINER(frame), w, "x", &cx, "y", &cy, NULL);
    if (cx != x || cy != y)
        gtk_fixed_move(GTK_FIXED(frame), w, x, y);
}

int widthOf(GtkWidget *w) { return gtk_widget_get_allocated_width(w); }
int heightOf(GtkWidget *w) { return gtk_widget_get_allocated_height(w); }

void onDestroy(GtkWidget *, gpointer) {
    if (ptimer) {
        g_source_remove(ptimer);
        ptimer = 0;
    }
    window = frame = label = textBox = buttonOpen = buttonSend = prograssBar = table = nullptr;
    converterLabel = converterBox = nullptr;
    if (gtk_main_level() > 0)
        gtk_main_quit();
}

/* Resizing from inside an allocation would queue another one: do it after. */
gboolean resizeLater(gpointer) {
    if (window)
        resizeComponent();
    return G_SOURCE_REMOVE;
}

void onSizeAllocate(GtkWidget *, GdkRectangle *, gpointer) {
    static int lastWidth = -1;
    if (frame && widthOf(frame) != lastWidth) {
        lastWidth = widthOf(frame);
        g_idle_add(resizeLater, nullptr);
    }
}

/* Sizes are known only once the window is mapped and laid out. */
void settle() {
    const gint64 until = g_get_monotonic_time() + 1000000;
    while (window && (!gtk_widget_get_mapped(window) || gtk_events_pending()) && g_get_monotonic_time() < until)
        gtk_main_iteration_do(FALSE);
}

/* A modal message that ends the run once the user closes it. */
void showOutcome(GtkMessageType type) {
    char text[MESSAGE_LEN];
    getMessage(text, sizeof(text));
    gchar *shown = g_utf8_make_valid(text, -1);
    dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s", shown);
    g_free(shown);
    char title[128];
    windowTitle(title, sizeof(title));
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    setIcon(dialog);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    dialog = nullptr;
    if (window)
        gtk_widget_destroy(window);
    msgType = 0;
}

/* A refusal that leaves the window open. */
void showNotice(const char *text) {
    fprintf(stderr, "ERROR: %s\n", text);
    gchar *shown = g_utf8_make_valid(text, -1);
    dialog = gtk_message_dialog_new(window ? GTK_WINDOW(window) : nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                    GTK_BUTTONS_OK, "%s", shown);
    g_free(shown);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    dialog = nullptr;
}

} // namespace

std::string converterChoiceText(const BridgeLook &look) {
    return look.ident.empty() ? look.bridge.name : look.bridge.name + " (" + look.ident + ")";
}

std::string iconFile(const char *exePath) {
    if (g_file_test(ICON_FILE, G_FILE_TEST_IS_REGULAR) || !exePath)
        return ICON_FILE;
    gchar *dir = g_path_get_dirname(exePath);
    gchar *installed = g_build_filename(dir, VORNE_INSTALLED_ICON, nullptr);
    const std::string found = g_file_test(installed, G_FILE_TEST_IS_REGULAR) ? installed : ICON_FILE;
    g_free(installed);
    g_free(dir);
    return found;
}

void windowTitle(char *out, size_t size) {
    char v[VER_LEN];
    getVer(v, sizeof(v));
    if (v[0])
        snprintf(out, size, "VORNE_uploader 1.1. (%s)", v);
    else
        snprintf(out, size, "VORNE_uploader 1.1.");
}

GtkWidget *getFrame() {
    if (frame)
        return frame;
    frame = gtk_fixed_new();

    if (converterChoices.size() > 1) {
        converterLabel = gtk_label_new("Converter:");
        gtk_fixed_put(GTK_FIXED(frame), converterLabel, 5, 5);
        converterBox = gtk_combo_box_text_new();
        for (const BridgeLook &look : converterChoices)
            gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(converterBox), converterChoiceText(look).c_str());
        gtk_combo_box_set_active(GTK_COMBO_BOX(converterBox), openChoice);
        g_signal_connect(converterBox, "changed", G_CALLBACK(onConverterChanged), nullptr);
        gtk_fixed_put(GTK_FIXED(frame), converterBox, 20, 5);
    }

    label = gtk_label_new("File:");
    gtk_fixed_put(GTK_FIXED(frame), label, 5, 5);

    textBox = gtk_entry_new();
    gtk_entry_set_max_length(GTK_ENTRY(textBox), FILE_PATH_LEN - 1);
    gtk_editable_set_editable(GTK_EDITABLE(textBox), TRUE);
    gtk_entry_set_width_chars(GTK_ENTRY(textBox), 1);
    gtk_fixed_put(GTK_FIXED(frame), textBox, 20, 5);

    buttonOpen = gtk_button_new_with_label("Open...");
    gtk_widget_set_size_request(buttonOpen, 80, 35);
    g_signal_connect(buttonOpen, "clicked", G_CALLBACK(buttonOpenAction), nullptr);
    gtk_fixed_put(GTK_FIXED(frame), buttonOpen, 120, 30);

    buttonSend = gtk_button_new_with_label("Send");
    gtk_widget_set_size_request(buttonSend, 80, 35);
    g_signal_connect(buttonSend, "clicked", G_CALLBACK(buttonSendAction), nullptr);
    gtk_fixed_put(GTK_FIXED(frame), buttonSend, 140, 30);

    // GTK 3's stand-in for the 1 x 1 homogeneous table.
    table = gtk_grid_new();
    gtk_grid_set_row_homogeneous(GTK_GRID(table), TRUE);
    gtk_grid_set_column_homogeneous(GTK_GRID(table), TRUE);
    prograssBar = gtk_progress_bar_new();
    gtk_widget_set_hexpand(prograssBar, TRUE);
    gtk_grid_attach(GTK_GRID(table), prograssBar, 0, 0, 1, 1);
    gtk_fixed_put(GTK_FIXED(frame), table, 5, 80);
    return frame;
}

/* The labels' column: as wide as the wider of the two. */
int labelsWidth() { return converterLabel ? std::max(widthOf(label), widthOf(converterLabel)) : widthOf(label); }

int moveComponents() {
    const int frameW = widthOf(frame);
    // The drop-down, when there is one, takes a row above everything else.
    int top = 0;
    if (converterBox) {
        const int boxH = heightOf(converterBox);
        place(converterLabel, 5, ((boxH - heightOf(converterLabel)) >> 1) + 5);
        place(converterBox, labelsWidth() + 10, 5);
        top = boxH + 5;
    }
    const int entryH = heightOf(textBox);
    place(label, 5, ((entryH - heightOf(label)) >> 1) + 5 + top);
    place(textBox, labelsWidth() + 10, 5 + top);
    place(buttonSend, frameW - widthOf(buttonSend) - 5, top + entryH + 10);
    place(buttonOpen, frameW - widthOf(buttonSend) - widthOf(buttonOpen) - 10, top + entryH + 10);
    place(table, 5, top + entryH + heightOf(buttonOpen) + 15);
    return 1;
}

int resizeComponent() {
    setWidthKeepHeight(textBox, widthOf(frame) - labelsWidth() - 15);
    if (converterBox)
        setWidthKeepHeight(converterBox, widthOf(frame) - labelsWidth() - 15);
    setWidthKeepHeight(table, widthOf(frame) - 10);
    return 1;
}

bool buildGUI() {
    if (!gtk_init_check(nullptr, nullptr))
        return false;
    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_signal_connect(window, "destroy", G_CALLBACK(onDestroy), nullptr);
    gtk_container_set_border_width(GTK_CONTAINER(window), 10);
    gtk_window_set_default_size(GTK_WINDOW(window), 500, 100);
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    setTitle();
    setIcon(window);

    gtk_container_add(GTK_CONTAINER(window), getFrame());
    ptimer = g_timeout_add(100, progress, prograssBar);

    gtk_widget_show_all(window);
    setTitle();
    settle();
    if (!window)
        return true;
    moveComponents();
    resizeComponent();
    g_signal_connect(window, "size-allocate", G_CALLBACK(onSizeAllocate), nullptr);
    return true;
}

void createGUI() {
    if (!buildGUI()) {
        messageError("Cannot open the window: no display.\n");
        return;
    }
    if (window)
        gtk_main();
    finishTransfer();
}

void finishTransfer() {
    linkStop = true;
    if (thread.joinable())
        thread.join();
    linkStop = false;
}

bool acceptChosenFile(const char *path) {
    if (strlen(path) >= FILE_PATH_LEN) {
        char text[MESSAGE_LEN];
        composeWithPath(text, sizeof(text), "Path too long (more than 255 characters):\n", path, "");
        showNotice(text);
        return false;
    }
    printf("FileChooser = %s\n", path);
    copyText(file, sizeof(file), path);
    // The window may have been closed while the chooser was open.
    if (textBox) {
        gchar *shown = g_filename_display_name(path);
        gtk_entry_set_text(GTK_ENTRY(textBox), shown);
        g_free(shown);
    }
    return true;
}

void buttonOpenAction(GtkWidget *, gpointer) {
    dialog = gtk_file_chooser_dialog_new("Open File", nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
                                         GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, NULL);
    setIcon(dialog);
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), ".");
    const char *filters[][2] = {{"Config files", "*.bin"}, {"Firmware files", "*.fw"}, {"Any files", "*"}};
    for (auto &f : filters) {
        GtkFileFilter *filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, f[0]);
        gtk_file_filter_add_pattern(filter, f[1]);
        gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(dialog), filter);
    }
    GtkWidget *chooser = dialog;
    if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
        gchar *path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
        dialog = nullptr;
        if (path)
            acceptChosenFile(path);
        g_free(path);
    } else {
        printf("FileChooser Canceled\n");
    }
    gtk_widget_destroy(chooser);
    dialog = nullptr;
}

void buttonSendAction(GtkWidget *, gpointer) {
    if (file[0] == 0 || thrTrans == THR_RUNNING)
        return;
    // The previous thread has published its end; collect it before the next.
    if (thread.joinable())
        thread.join();
    copyText(transferPath, sizeof(transferPath), file);
    arg.path = transferPath;
    arg.type = 0;
    arg.converter = converterBox ? gtk_combo_box_get_active(GTK_COMBO_BOX(converterBox)) : -1;
    thrTrans = THR_RUNNING;
    thread = std::thread(read_send_file_struct, &arg);
}

void setConverterChoices(const std::vector<BridgeLook> &choices, int selected) {
    converterChoices = choices;
    openChoice = selected;
}

void *read_send_file_struct(void *p) {
    transfer_arg *a = static_cast<transfer_arg *>(p);
    // Only this thread touches the device while the window runs: the switch happens here.
    const bool other = a->converter >= 0 && a->converter < (int)converterChoices.size() && a->converter != openChoice;
    if (other && !switchToConverter(converterChoices[a->converter]))
        openChoice = -1;
    else {
        if (other)
            openChoice = a->converter;
        read_send_file(a->path, a->type);
    }
    linkSleepMs(1000);
    thrTrans = 0;
    return nullptr;
}

gboolean progress(gpointer bar) {
    const int st = pStatusSt, top = pStatusTop;
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar), st < top ? (double)st / top : 1.0);

    const bool running = thrTrans == THR_RUNNING;
    if (running == (compEnabled != 0)) {
        gtk_widget_set_sensitive(buttonSend, !running);
        gtk_widget_set_sensitive(buttonOpen, !running);
        gtk_widget_set_sensitive(textBox, !running);
        if (converterBox)
            gtk_widget_set_sensitive(converterBox, !running);
        compEnabled = running ? 0 : 1;
        setTitle();
    }

    if (msgType > 0)
        messageInfo_show();
    if (msgType < 0)
        messageError_show();
    return TRUE;
}

void messageInfo_show() { showOutcome(GTK_MESSAGE_INFO); }

void messageError_show() { showOutcome(GTK_MESSAGE_ERROR); }

void messageShow() {
    if (msgType == 0 || !gtk_init_check(nullptr, nullptr))
        return;
    if (msgType > 0)
        messageInfo_show();
    if (msgType < 0)
        messageError_show();
}
