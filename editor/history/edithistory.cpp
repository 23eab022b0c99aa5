#include "edithistory.h"

#include "projectstate.h"

#include <algorithm>

bool TreeNode::operator==(const TreeNode &o) const {
    return text == o.text && std::equal(std::begin(toolTips), std::end(toolTips), std::begin(o.toolTips)) &&
           changeMarker == o.changeMarker && background == o.background && expanded == o.expanded &&
           children == o.children;
}

void EditHistory::reset() {
    steps.clear();
    position = 0;
    savedPosition = 0;
}

void EditHistory::record(const QString &label, const EditorState &before, const EditorState &after, bool changesFile) {
    steps.erase(steps.begin() + position, steps.end());
    if (savedPosition > position)
        savedPosition = -1; // the saved state was among the undone steps
    steps.append({label, before, after, changesFile});
    ++position;
    if (steps.size() > kMaxSteps) {
        steps.removeFirst();
        --position;
        savedPosition = savedPosition > 0 ? savedPosition - 1 : -1;
    }
}

bool EditHistory::atSavedState() const {
    if (savedPosition < 0)
        return false;
    for (int i = std::min(position, savedPosition); i < std::max(position, savedPosition); ++i)
        if (steps[i].changesFile)
            return false;
    return true;
}

QString EditHistory::undoLabel() const { return canUndo() ? steps[position - 1].label : QString(); }

QString EditHistory::redoLabel() const { return canRedo() ? steps[position].label : QString(); }

const EditorState &EditHistory::undo() {
    --position;
    return steps[position].before;
}

const EditorState &EditHistory::redo() {
    ++position;
    return steps[position - 1].after;
}

namespace {
// What a save changes in a state; where the selection stood stays.
void takeSaved(EditorState *state, const EditorState &saved) {
    state->library = saved.library;
    state->addedOrRemoved = saved.addedOrRemoved;
    state->tree = saved.tree;
}
} // namespace

void EditHistory::markSaved(const EditorState &saved) {
    if (position > 0)
        takeSaved(&steps[position - 1].after, saved);
    if (position < steps.size())
        takeSaved(&steps[position].before, saved);
    savedPosition = position;
}

bool holdsUnsavedChanges(const EditorState &shown, const EditHistory &history) {
    return libraryHasChanges(shown.library, shown.addedOrRemoved) || !history.atSavedState();
}
