// The one place that knows the five form classes: builds the form of a dialog id (102..106)
// over the application's objects, as a child of the frame's form area. Another id gives
// null, which the frame treats as a missing form.
#pragma once

class AppContext;
class QWidget;

QWidget* CreateForm(AppContext& ctx, int formId, QWidget* parent);
