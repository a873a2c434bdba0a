#pragma once

#include "tablewindow.h"

class LocationDialog;
class LocationList;

// fUtilLocations ("Locations/Referrer"): every referring location with its visibility flag. A click
// on a row edits it in fUtilAddEditLocation; the pop-up menu edits the row or adds a new entry.
class LocationsWindow : public TableWindow, public LocationTableHost
{
    Q_OBJECT

public:
    explicit LocationsWindow(TaskDesk &desk, QWidget *parent = nullptr);

    void load() override;
    LocationList &locations() const { return *m_locations; }
    LocationDialog *locationDialog() const;

    // The pop-up menu.
    void editEntry() override;
    void newEntry() override;

    // LocationTableHost
    void addLocationRecords(const RecordBatch &records) override;
    void locationListComplete() override;
    const LocationEntry &savingLocation() const override { return m_saving; }
    void locationSaved() override;
    void locationNotSaved() override;
    void referrerIdDrawn(std::int32_t id) override;
    void referrerIdRefused() override;

    static const QString Caption;

protected:
    void setColumnWidths(int listWidth) override;

private:
    void onPressed(Qt::MouseButton button, const QPoint &globalPos);
    void openEditor();
    void save();

    LocationList *m_locations = nullptr;
    LocationEntry m_saving;
};
