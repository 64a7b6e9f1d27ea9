#include "record/RecordView.h"

TRecordView::TRecordView(QWidget* parent) : QAbstractScrollArea(parent) {}
