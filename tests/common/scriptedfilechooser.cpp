#include "scriptedfilechooser.h"

ScriptedFileChooser::ScriptedFileChooser() : state(std::make_shared<State>()) {}

FileChooser ScriptedFileChooser::chooser() const
{
    return [state = state](QWidget* parent, const QString& caption, const QString& filter) {
        state->requests.append({parent, caption, filter});
        return state->answers.isEmpty() ? QString() : state->answers.takeFirst();
    };
}

void ScriptedFileChooser::answer(const QString& path)
{
    state->answers.append(path);
}

QList<ScriptedFileChooser::Request> ScriptedFileChooser::requests() const
{
    return state->requests;
}
