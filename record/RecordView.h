#pragma once

#include <QAbstractScrollArea>

// The table of the record: a read-only view of its lines.
class TRecordView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TRecordView(QWidget* parent = nullptr);
};
