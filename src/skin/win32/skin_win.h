// The skin's window classes in one include.
#pragma once

#include "skin/win32/button_win.h"
#include "skin/win32/fields_win.h"
#include "skin/win32/frame_win.h"
#include "skin/win32/gdi_win.h"
#include "skin/win32/label_win.h"
#include "skin/win32/panel_win.h"
#include "skin/win32/progress_ring_win.h"
#include "skin/win32/window_win.h"
