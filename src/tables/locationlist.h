#pragma once

#include "tablelist.h"

// Ueberweiser: the referring locations, with the columns "Location/Referrer", "Visible" ("X" for an
// entry offered to the examination windows) and the hidden "ID".
class LocationList : public TableList
{
    Q_OBJECT

public:
    enum Field { Id, Name, Visible };

    explicit LocationList(QWidget *parent = nullptr);

    static const QString VisibleMark;

private:
    void markVisible(int first, int last);
};
