// Makes the control of a layout record: the class of its kind, with the
// skin image of the kind at the current size. A missing image is reported
// ("Resource images not found! ...", titled "Error") and the control is
// made without it, drawn by code.
//
// Thread: the GUI thread only.
#pragma once

#include <memory>

#include "CControl.h"
#include "EditorServices.h"
#include "LayoutTable.h"

namespace calverine {

// Null for a record with tag -1 or a kind that makes no control.
// `scaledRect` is the record's rectangle at the current size; when it has
// no width the size comes from the image (one frame of a filmstrip).
std::unique_ptr<gui::CView> createControl(const LayoutRecord& r, const gui::CRect& scaledRect, int bitmapOffset,
                                          gui::IControlListener* listener, EditorServices& services);

// The matrix amount knobs, whose arcs start at the centre.
bool isBipolarKnob(int tag);

}  // namespace calverine
