#pragma once
// The middle floor reaching a dialog: the floor check must refuse it.
#include "dialogs/edit_label_dialog.h"
