// The one place that knows the five form classes: builds the form of a dialog id (102..106)
// as a child of the frame's form area. A form that cannot be built gives null, and the frame
// treats it as missing.
#pragma once

class QWidget;

QWidget* CreateForm(int formId, QWidget* parent);
