#include "CTranEdit.h"

CTranEdit::CTranEdit(QWidget* parent) : CSlideEdit(parent) {}

CTranEdit::~CTranEdit() = default;
