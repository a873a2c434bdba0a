#pragma once

#include "tablewindow.h"

class ProcedureDialog;
class TableList;

// fUtilProcedures ("Procedures"): every procedure code with its description, special report places
// and second text. A click on a row edits it in fUtilAddEditProcedure; the pop-up menu edits the row
// clicked last or adds a procedure.
class ProceduresWindow : public TableWindow, public ProcedureTableHost
{
    Q_OBJECT

public:
    enum Field { Id, Description, SpInvHead, SpInv, InvestType, Code };

    explicit ProceduresWindow(TaskDesk &desk, QWidget *parent = nullptr);

    void load() override;
    TableList &procedures() const { return list(); }
    ProcedureDialog *procedureDialog() const;

    void editEntry() override;
    void newEntry() override;

    // ProcedureTableHost
    void addProcedureRecords(const RecordBatch &records) override;
    void procedureListComplete() override;
    const ProcedureEntry &savingProcedure() const override { return m_saving; }
    void procedureSaved() override;
    void procedureNotSaved() override;

    static const QString Caption;

protected:
    void setColumnWidths(int listWidth) override;

private:
    void openEditor();
    void save();

    ProcedureEntry m_saving;
};
