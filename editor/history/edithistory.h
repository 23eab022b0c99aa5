// Undo and redo of the editor's changes to the library. A state is the whole
// of what the user sees change: the library with its change marks, the tree
// with its markers, and where the selection stood. States share every record
// they did not change (Qt's lists and strings are copied on write), so a step
// holds only the lists its edit touched, never a copy of the library.
#pragma once

#include "records.h"

#include <QList>
#include <QString>
#include <QStringList>

// One tree item as the window keeps it: its texts, the tool tips that carry
// markers and descriptions, the change marker, its paint and its children.
struct TreeNode {
    QString text;
    QString toolTips[4];
    QString changeMarker;   // "changed", "saved" or empty
    quint32 background = 0; // ARGB; 0: none set
    bool expanded = false;
    QList<TreeNode> children;

    bool operator==(const TreeNode &o) const;
    bool operator!=(const TreeNode &o) const { return !(*this == o); }
};

struct EditorState {
    MyLibrary library;
    bool addedOrRemoved = false; // a manufacturer or device was added or removed since the last save
    QList<TreeNode> tree;
    // The current tree item as top-level and child positions (-1: none), and the table's current row.
    int treeTop = -1;
    int treeChild = -1;
    int tableRow = -1;
};

class EditHistory {
public:
    // The most steps kept; the oldest go first.
    static constexpr int kMaxSteps = 100;

    // New or Open: no steps, and the state shown is what the file holds.
    void reset();
    // One change, from `before` to `after`. Steps that were undone are dropped.
    // A step that does not change what a save writes (the USB entry, which the
    // file never holds) leaves the saved state where it is.
    void record(const QString &label, const EditorState &before, const EditorState &after, bool changesFile = true);

    bool canUndo() const { return position > 0; }
    bool canRedo() const { return position < steps.size(); }
    // What the next undo or redo takes back or does again ("Delete row"); empty when none.
    QString undoLabel() const;
    QString redoLabel() const;
    // The state to show after undoing or redoing one step; call only when possible.
    const EditorState &undo();
    const EditorState &redo();

    // The file now holds the current state, which is `saved` (its marks cleared):
    // undoing or redoing back to it shows it so.
    void markSaved(const EditorState &saved);
    // Whether the current state is what the file holds.
    bool atSavedState() const;
    int stepCount() const { return int(steps.size()); }

private:
    struct Step {
        QString label;
        EditorState before;
        EditorState after;
        bool changesFile = true;
    };
    QList<Step> steps;
    int position = 0;      // steps before it are done, from it on undone
    int savedPosition = 0; // -1: no state in the history is what the file holds
};

// Whether Save, New, Open and Exit ask the save question: something is marked
// changed, or the state shown is not the one the file holds (an undo past the
// last save leaves marks from before it, which need not show the difference).
bool holdsUnsavedChanges(const EditorState &shown, const EditHistory &history);
