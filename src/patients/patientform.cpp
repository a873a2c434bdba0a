#include "patientform.h"

#include "patientrules.h"

#include "ui/widgets.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace {
const QString kBirthDateInvalid = u"The field 'Birthdate' must hold a valid date."_s;
} // namespace

PatientForm::PatientForm(BirthDateBox box, const QStringList &raceEntries, QWidget *parent) : QWidget(parent)
{
    m_layout = new QFormLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_layout->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_folderNo = addField(u"Folder No:"_s, u"PATID1"_s);
    m_surname = addField(u"Surname:"_s, u"PATNachname"_s);
    m_firstName = addField(u"First Name:"_s, u"PATVorname"_s);
    m_initials = addField(u"Initials:"_s, u"PAT2Vorname"_s);
    m_birthDate = addField(u"Birthdate:"_s, box == BirthDateBox::Masked ? u"PatGebDatum"_s : u"PATGebDatum1"_s);
    m_birthDate->installEventFilter(this);
    if (box == BirthDateBox::Masked) {
        m_birthDate->setInputMask(BirthDate::inputMask());
        m_birthDate->setPlaceholderText(u"dd.mm.yyyy"_s);
    }

    m_race = new QComboBox(this);
    m_race->setObjectName(u"Rasse"_s);
    m_race->setEditable(true);
    m_race->setInsertPolicy(QComboBox::NoInsert);
    m_race->addItems(raceEntries);
    m_race->setCurrentIndex(-1); // nothing is chosen until the user chooses
    Ui::selectAllOnFocus(m_race);
    m_layout->addRow(u"Race/Sex:"_s, m_race);

    // Kept out of sight: the sex letter follows the race/sex choice.
    m_sex = new QLineEdit(this);
    m_sex->setObjectName(u"PATGeschlecht"_s);
    m_sex->hide();
    if (box == BirthDateBox::Masked) {
        m_unusedBirthDate = new QLineEdit(this);
        m_unusedBirthDate->setObjectName(u"PATGebDatum1"_s);
        m_unusedBirthDate->hide();
    }

    connect(m_surname, &QLineEdit::textChanged, this, &PatientForm::fillInitials);
    connect(m_firstName, &QLineEdit::textChanged, this, &PatientForm::fillInitials);
    connect(m_race, &QComboBox::editTextChanged, this, &PatientForm::takeSexFromRace);
    connect(m_race, &QComboBox::activated, this, &PatientForm::takeSexFromRace);
    for (QLineEdit *edit : {m_folderNo, m_surname, m_birthDate})
        connect(edit, &QLineEdit::textChanged, this, &PatientForm::ruleInputChanged);
    connect(m_race, &QComboBox::editTextChanged, this, &PatientForm::ruleInputChanged);
    connect(m_race, &QComboBox::currentIndexChanged, this, &PatientForm::ruleInputChanged);
    connect(m_race, &QComboBox::activated, this, &PatientForm::ruleInputChanged);
}

QLineEdit *PatientForm::addField(const QString &label, const QString &name)
{
    auto *edit = Ui::named<QLineEdit>(name, this);
    Ui::selectAllOnFocus(edit);
    m_layout->addRow(label, edit);
    return edit;
}

bool PatientForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && watched == m_birthDate) {
        // A valid date in any accepted form is shown as a short date; anything else stays as typed.
        if (const QDate date = BirthDate::parse(m_birthDate->text()); date.isValid())
            m_birthDate->setText(BirthDate::shortText(date));
    }
    return QWidget::eventFilter(watched, event);
}

void PatientForm::fillInitials()
{
    const QString initials = autoInitials(m_initials->text(), m_firstName->text(), m_surname->text());
    if (initials != m_initials->text())
        m_initials->setText(initials);
}

void PatientForm::takeSexFromRace()
{
    m_sex->setText(SexFromRace(m_race->currentText()));
}

int PatientForm::racePosition() const
{
    const int index = m_race->currentIndex();
    return index >= 0 && m_race->currentText() == m_race->itemText(index) ? index : -1;
}

QString PatientForm::birthDateText() const
{
    // What a masked box holds when nothing was typed into it is its separators alone.
    QString text = m_birthDate->text();
    if (!m_birthDate->inputMask().isEmpty() && text.remove(u'.').trimmed().isEmpty())
        return {};
    return m_birthDate->text().trimmed();
}

PatientDetails PatientForm::details() const
{
    PatientDetails p;
    p.FolderNo = m_folderNo->text();
    p.Surname = m_surname->text();
    p.FirstName = m_firstName->text();
    p.Initials = m_initials->text();
    p.BirthDate = BirthDate::parse(birthDateText());
    p.Sex = m_sex->text();
    p.RacePosition = racePosition();
    return p;
}

bool PatientForm::isComplete() const
{
    return !m_surname->text().isEmpty() && m_folderNo->text().size() >= 8
           && BirthDate::parse(birthDateText()).isValid() && racePosition() >= 0;
}

QString PatientForm::sendingProblem() const
{
    const QString problem = typedTextProblem({{u"Folder No"_s, m_folderNo->text()},
                                              {u"Surname"_s, m_surname->text()},
                                              {u"First Name"_s, m_firstName->text()},
                                              {u"Initials"_s, m_initials->text()},
                                              {u"Race/Sex"_s, m_sex->text()}});
    if (!problem.isEmpty())
        return problem;
    // An empty birth date is sent as Null; a text that is no date is not sent at all.
    if (const QString text = birthDateText(); !text.isEmpty() && !BirthDate::parse(text).isValid())
        return kBirthDateInvalid;
    return {};
}

void PatientForm::showRecord(const QStringList &fields)
{
    const auto field = [&fields](int i) { return i < fields.size() ? fields.at(i) : QString(); };
    m_folderNo->setText(field(1));
    m_surname->setText(field(2));
    m_firstName->setText(field(3));
    m_initials->setText(field(4));
    m_birthDate->setText(field(5));
    {
        const QSignalBlocker blocker(m_race);
        m_race->setEditText(QString());
        m_race->setCurrentIndex(-1);
        bool ok = false;
        const int position = field(7).trimmed().toInt(&ok);
        if (ok && position >= 0 && position < m_race->count())
            m_race->setCurrentIndex(position);
    }
    // The stored sex letter stays when there is no entry to take it from (a line removed from
    // Rasse.ini): saving the patient unchanged must not erase it.
    m_sex->setText(racePosition() >= 0 ? SexFromRace(m_race->currentText()) : field(6));
    emit ruleInputChanged();
}
