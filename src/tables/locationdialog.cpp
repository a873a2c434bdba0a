#include "locationdialog.h"

#include "ui/widgets.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString LocationDialog::Caption = u"Location/Referrer"_s;

LocationDialog::LocationDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(u"fUtilAddEditLocation"_s);
    setWindowTitle(Caption);

    m_location = Ui::named<QLineEdit>(u"Location"_s, this);
    m_location->setMinimumWidth(220);
    // The box at the right of its caption.
    m_visible = Ui::named<QCheckBox>(u"Zel"_s, u"Visble on ZEL-System:"_s, this);
    m_visible->setLayoutDirection(Qt::RightToLeft);
    m_id = Ui::named<QLabel>(u"ID"_s, this);
    m_id->hide();

    m_ok = Ui::button(u"OK"_s, u"cmdOK"_s, this);
    m_ok->setDefault(true);
    auto *cancel = Ui::button(u"Cancel"_s, u"cmdCancel"_s, this);

    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->addWidget(new QLabel(u"Location:"_s, this), 0, 0);
    fields->addWidget(m_location, 0, 1);
    // Under the label, whatever the box's own direction.
    fields->addWidget(m_visible, 1, 0, 1, 2, Qt::AlignLeft | Qt::AlignAbsolute);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 10);
    layout->addLayout(fields);
    layout->addWidget(Ui::buttonBox(this, {{m_ok, QDialogButtonBox::AcceptRole}, {cancel, QDialogButtonBox::RejectRole}}));
    setFixedSize(sizeHint());

    connect(m_location, &QLineEdit::textChanged, this, &LocationDialog::updateOk);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        if (m_ok->isEnabled())
            emit saveRequested();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    updateOk();
}

void LocationDialog::showEntry(const LocationEntry &entry)
{
    m_location->setText(entry.name);
    m_visible->setChecked(entry.visible);
    m_id->setText(entry.id);
    updateOk();
}

void LocationDialog::setId(std::int32_t id)
{
    m_id->setText(QString::number(id));
    updateOk();
}

LocationEntry LocationDialog::entry() const
{
    return {m_id->text(), m_location->text(), m_visible->isChecked()};
}

void LocationDialog::setSaving(bool saving)
{
    m_saving = saving;
    if (saving)
        Ui::setBusy(*this);
    else
        Ui::clearBusy(*this);
    updateOk();
}

void LocationDialog::updateOk()
{
    // Without its id a new entry could not be stored.
    m_ok->setEnabled(!m_saving && !m_location->text().isEmpty() && !m_id->text().isEmpty());
}
