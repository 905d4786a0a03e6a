// The help page shipped with the program, shown at a topic.
#pragma once

class QWidget;

// Topics are anchors of the page; context 400 of the help file is "contents".
void ShowHelpTopic(const char* topic, QWidget* parent);
