#pragma once
// The main window's path edit: a CSlideEdit with nothing added.
#include "CSlideEdit.h"

class CTranEdit : public CSlideEdit {
public:
    //! An edit with the slide edit's frame and select-all on focus.
    explicit CTranEdit(QWidget* parent = nullptr);
    ~CTranEdit() override;
};
