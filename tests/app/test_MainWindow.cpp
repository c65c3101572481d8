// The demo's main window: description, layout, navigator, grid editing, table file, Report button.
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/Unit1.h"
#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/data/ClientDataSet.h"
#include "platform/data/DBComponents.h"
#include "platform/qt/QtDBCtrls.h"
#include "platform/qt/QtFontMetrics.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtUi.h"
#include "report/ZV_Const.h"
#include "report/ZV_Init.h"
#include "report/ZV_Preview.h"
#include "report/ZV_Report.h"
#include "tests/support/ModalHelper.h"

using zv::TNavigateBtn;

namespace {

std::string ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QByteArray b = f.readAll();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

// An empty template written by the library, as BarCodeDemo.zvf in the current folder.
void WriteTemplate()
{
    zv::TzvReport r;
    zv::SaveFileAtomically("BarCodeDemo.zvf", [&r](zv::Stream& s) { r.SaveToStream(s); });
}

void CopySampleTable()
{
    QFile::remove("Clienti.xml");
    QVERIFY(QFile::copy(QStringLiteral(ZV_SOURCE_DIR "/resources/Clienti.xml"), "Clienti.xml"));
    QFile::setPermissions("Clienti.xml", QFile::ReadOwner | QFile::WriteOwner);
}

QString Cell(TFormMain& f, int row, int col)
{
    auto& m = f.DBGrid->tableModel();
    return m.data(m.index(row, col), Qt::DisplayRole).toString();
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    QString oldDir_;
    zv::QtUi qtUi_;

private slots:
    void initTestCase()
    {
        zv::InitReportLibrary();
        oldDir_ = QDir::currentPath();
    }
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QDir::setCurrent(dir_->path());
        WriteTemplate();
        zv::SetUi(&qtUi_);
    }
    void cleanup()
    {
        zv::SetUi(nullptr);
        QDir::setCurrent(oldDir_);
        dir_.reset();
    }

    void captionGeometryAndComponentOrder()
    {
        CopySampleTable();
        TFormMain f;
        QCOMPARE(f.windowTitle(), QStringLiteral("Zelvo report BarCode Demo"));
        QCOMPARE(f.pos(), QPoint(281, 216));
        QCOMPARE(f.outerSize(), QSize(543, 301));
        QCOMPARE(f.size(), QSize(535, 267));
        QCOMPARE(QString::fromStdString(f.name()), QStringLiteral("FormMain"));
        QStringList names;
        for (zv::Component* c : f.components())
            if (!dynamic_cast<zv::TFieldComponent*>(c)) names << QString::fromStdString(c->name());
        QCOMPARE(names, QStringList({"DBNavigator", "DBGrid", "Panel", "Button", "ClientDataSet", "DataSource",
                                     "zvReport", "zvCodeBarreObject"}));
        QCOMPARE(QString::fromStdString(f.zvReport->Title), QStringLiteral("Demo BarCode"));
        QCOMPARE(QString::fromStdString(f.zvReport->FileName), QStringLiteral("BarCodeDemo.zvf"));
        // "MS Sans Serif" -11, the font the library's windows are laid out for.
        QCOMPARE(f.font().family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(f.font().pixelSize(), zv::WindowFont().pixelSize());
        QCOMPARE(f.Button->text(), QStringLiteral("Report"));
        QCOMPARE(f.Button->parentWidget(), static_cast<QWidget*>(f.Panel));
        QCOMPARE(f.DBNavigator->geometry(), QRect(0, 0, 535, 25));
        QCOMPARE(f.DBGrid->geometry(), QRect(0, 25, 535, 201));
        QCOMPARE(f.Panel->geometry(), QRect(0, 226, 535, 41));
        QCOMPARE(f.Button->geometry(), QRect(449, 8, 75, 25));
        // The registered form lets the template side find the table by qualified name.
        QCOMPARE(zv::ApplicationRegistry::instance().findQualified("FormMain.ClientDataSet"),
                 static_cast<zv::Component*>(f.ClientDataSet));
        QCOMPARE(f.ClientDataSet->recordCount(), 40);
    }

    void resizeKeepsButtonDistanceAndGridTakesTheRest_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::newRow("wider and taller") << QSize(800, 500);
        QTest::newRow("narrower and shorter") << QSize(400, 150);
        QTest::newRow("designed") << QSize(535, 267);
    }
    void resizeKeepsButtonDistanceAndGridTakesTheRest()
    {
        QFETCH(QSize, client);
        TFormMain f;
        f.show();
        f.resize(client);
        QCOMPARE(f.size(), client);
        QCOMPARE(f.Panel->width() - f.Button->geometry().right() - 1, 11);  // 535 - 449 - 75
        QCOMPARE(f.Button->y(), 8);
        QCOMPARE(f.Button->size(), QSize(75, 25));
        QCOMPARE(f.DBNavigator->geometry(), QRect(0, 0, client.width(), 25));
        QCOMPARE(f.Panel->geometry(), QRect(0, client.height() - 41, client.width(), 41));
        QCOMPARE(f.DBGrid->geometry(), QRect(0, 25, client.width(), client.height() - 25 - 41));
    }

    void withoutTableFileStartsEmptyWithTheFourColumns()
    {
        TFormMain f;
        QVERIFY(f.ClientDataSet->active());
        QCOMPARE(f.ClientDataSet->recordCount(), 0);
        auto& m = f.DBGrid->tableModel();
        QStringList headers;
        for (int c = 0; c < m.columnCount(); ++c)
            headers << m.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        QCOMPARE(headers, QStringList({"Cognome", "Nome", "Codice sanitario", "BarCode"}));
        QCOMPARE(m.rowCount(), 0);
        // Display widths: 25 characters for the names, the size for the others.
        const int avg = QFontMetrics(f.DBGrid->font()).averageCharWidth();  // at most the width used
        QVERIFY(f.DBGrid->columnWidth(0) >= 25 * avg);
        QCOMPARE(f.DBGrid->columnWidth(0), f.DBGrid->columnWidth(1));
        QVERIFY(f.DBGrid->columnWidth(3) < f.DBGrid->columnWidth(0));
        QCOMPARE(f.ClientDataSet->fieldByName("CS")->providerFlags(),
                 uint8_t(zv::pfInUpdate | zv::pfInWhere | zv::pfInKey));
        QCOMPARE(f.ClientDataSet->fieldByName("Cognome")->providerFlags(), uint8_t(zv::pfInUpdate));
        QCOMPARE(f.ClientDataSet->fieldByName("BarCode")->providerFlags(), uint8_t(zv::pfInUpdate | zv::pfInWhere));
        QVERIFY(!QFileInfo::exists("Clienti.xml"));
    }

    void addingARowAndClosingCreatesTheXmlFile()
    {
        {
            TFormMain f;
            f.DBNavigator->button(zv::nbInsert)->click();
            QCOMPARE(f.ClientDataSet->state(), zv::dsInsert);
            QCOMPARE(f.DBGrid->tableModel().rowCount(), 1);
            auto& m = f.DBGrid->tableModel();
            QVERIFY(m.setData(m.index(0, 0), QString::fromUtf8("Nicol\xC3\xB2"), Qt::EditRole));
            QVERIFY(m.setData(m.index(0, 2), "NCLXXX80A01H501Z", Qt::EditRole));
            f.close();  // posts the pending row, closes the table
        }
        const std::string xml = ReadAll("Clienti.xml");
        QVERIFY(xml.rfind("<?xml", 0) == 0);
        QVERIFY(xml.find("<DATAPACKET Version=\"2.0\">") != std::string::npos);
        zv::TClientDataSet back;
        back.loadFromFile("Clienti.xml");
        QCOMPARE(back.recordCount(), 1);
        QCOMPARE(back.fieldByName("Cognome")->asString(), std::string("Nicol\xF2"));
        QCOMPARE(back.fieldByName("CS")->asString(), std::string("NCLXXX80A01H501Z"));
        QVERIFY(back.fieldByName("Nome")->isNull());
        QCOMPARE(back.fieldNames(), std::vector<std::string>({"Cognome", "Nome", "CS", "BarCode"}));
    }

    void closingWithoutChangesDoesNotRewrite()
    {
        CopySampleTable();
        const QDateTime before = QDateTime::currentDateTime().addSecs(-3600);
        QFile file("Clienti.xml");
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(before, QFileDevice::FileModificationTime));
        file.close();
        const std::string bytes = ReadAll("Clienti.xml");
        {
            TFormMain f;
            f.DBNavigator->button(zv::nbLast)->click();
            f.DBNavigator->button(zv::nbEdit)->click();  // an edit without changes is no change
            f.close();
        }
        QCOMPARE(QFileInfo("Clienti.xml").lastModified(), before);
        QCOMPARE(ReadAll("Clienti.xml"), bytes);
    }

    void navigatorMovesAndEnablesButtons()
    {
        CopySampleTable();
        TFormMain f;
        zv::TDBNavigator& nav = *f.DBNavigator;
        zv::TClientDataSet& ds = *f.ClientDataSet;
        const char* hints[] = {"First record",  "Prior record", "Next record", "Last record", "Insert record",
                               "Delete record", "Edit record",  "Post edit",   "Cancel edit", "Refresh data"};
        for (int i = 0; i < zv::kNavigatorButtons; ++i)
            QCOMPARE(nav.button(static_cast<TNavigateBtn>(i))->toolTip(), QString::fromLatin1(hints[i]));
        auto enabled = [&nav] {
            QString s;
            for (int i = 0; i < zv::kNavigatorButtons; ++i)
                s += nav.button(static_cast<TNavigateBtn>(i))->isEnabled() ? '1' : '0';
            return s;
        };
        struct Step {
            TNavigateBtn button;
            int recNo;
            const char* enabled;  // first prior next last insert delete edit post cancel refresh
        };
        const Step steps[] = {
            {zv::nbNext, 2, "1111111001"},
            {zv::nbLast, 40, "1100111001"},
            {zv::nbPrior, 39, "1111111001"},
            {zv::nbFirst, 1, "0011111001"},
            {zv::nbEdit, 1, "0011110111"},
            // Leaving an edit clears the beginning flag, as the dataset does.
            {zv::nbCancel, 1, "1111111001"},
            {zv::nbInsert, 1, "1111110111"},
            {zv::nbCancel, 1, "1111111001"},
            // A refresh clears the end flags of a set that has records, as the dataset does.
            {zv::nbFirst, 1, "0011111001"},
            {zv::nbRefresh, 1, "1111111001"},
        };
        QCOMPARE(enabled(), QStringLiteral("0011111001"));
        for (const Step& s : steps) {
            nav.button(s.button)->click();
            QCOMPARE(ds.recNo(), s.recNo);
            QCOMPARE(enabled(), QString::fromLatin1(s.enabled));
            // The grid's current row follows the dataset.
            QCOMPARE(f.DBGrid->currentIndex().row(), s.recNo - 1);
        }
        QCOMPARE(ds.recordCount(), 40);
        QVERIFY(!ds.changed());
    }

    void navigatorInsertPostAndGridEditing()
    {
        CopySampleTable();
        TFormMain f;
        zv::TClientDataSet& ds = *f.ClientDataSet;
        auto& m = f.DBGrid->tableModel();
        f.DBNavigator->button(zv::nbNext)->click();
        f.DBNavigator->button(zv::nbInsert)->click();  // before record 2
        QCOMPARE(m.rowCount(), 41);
        QCOMPARE(m.headerData(1, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("*"));
        QCOMPARE(Cell(f, 2, 0), QStringLiteral("Russo"));
        QVERIFY(m.setData(m.index(1, 0), "Verdi", Qt::EditRole));
        QVERIFY(m.setData(m.index(1, 3), "800000000017", Qt::EditRole));
        f.DBNavigator->button(zv::nbPost)->click();
        QCOMPARE(ds.recordCount(), 41);
        QCOMPARE(ds.recNo(), 2);
        QCOMPARE(Cell(f, 1, 0), QStringLiteral("Verdi"));
        QCOMPARE(Cell(f, 2, 0), QStringLiteral("Russo"));
        QVERIFY(ds.changed());

        // Editing in place: the dataset goes into edit state; moving to another row posts.
        f.DBGrid->setCurrentIndex(m.index(4, 1));
        QCOMPARE(ds.recNo(), 5);
        QVERIFY(m.setData(m.index(4, 1), "Anna", Qt::EditRole));
        QCOMPARE(ds.state(), zv::dsEdit);
        QCOMPARE(m.headerData(4, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("I"));
        f.DBGrid->setCurrentIndex(m.index(6, 1));
        QCOMPARE(ds.state(), zv::dsBrowse);
        QCOMPARE(ds.recNo(), 7);
        ds.setRecNo(5);
        QCOMPARE(ds.fieldByName("Nome")->asString(), std::string("Anna"));
        QCOMPARE(f.DBGrid->currentIndex().row(), 4);

        // Enter posts, Escape cancels.
        f.DBGrid->setFocus();
        QVERIFY(m.setData(m.index(4, 0), "Neri", Qt::EditRole));
        QTest::keyClick(f.DBGrid, Qt::Key_Escape);
        QCOMPARE(ds.state(), zv::dsBrowse);
        QCOMPARE(Cell(f, 4, 0), QString::fromStdString(ds.fieldByName("Cognome")->asString()));
        QVERIFY(Cell(f, 4, 0) != QStringLiteral("Neri"));
        QVERIFY(m.setData(m.index(4, 0), "Neri", Qt::EditRole));
        QTest::keyClick(f.DBGrid, Qt::Key_Return);
        QCOMPARE(ds.state(), zv::dsBrowse);
        QCOMPARE(ds.fieldByName("Cognome")->asString(), std::string("Neri"));

        // A value too long for the field is cut to its size, as the field does.
        QVERIFY(m.setData(m.index(4, 3), "1234567890123456", Qt::EditRole));
        QCOMPARE(Cell(f, 4, 3), QStringLiteral("123456789012"));
    }

    // Typing into a cell is an edit at once (navigator and row marker show it), the editor holds
    // no more than the field's size, and closing the window keeps what was typed.
    void typingInACellIsAnEditThatClosingKeeps()
    {
        struct Case {
            int row, column;
            const char* typed;
            const char* field;
            const char* stored;
        } cases[] = {
            {2, 2, "ABCDEFGHIJKLMNOPQRST", "CS", "ABCDEFGHIJKLMNOP"},  // 16 characters
            {5, 3, "12345678901234", "BarCode", "123456789012"},       // 12 characters
            {0, 0, "Verdi", "Cognome", "Verdi"},
        };
        for (const Case& c : cases) {
            CopySampleTable();
            {
                TFormMain f;
                f.show();
                QVERIFY(QTest::qWaitForWindowExposed(&f));
                auto& m = f.DBGrid->tableModel();
                f.DBGrid->setCurrentIndex(m.index(c.row, c.column));
                f.DBGrid->setFocus();
                const QString typed = QString::fromLatin1(c.typed);
                QTest::keyClick(f.DBGrid, typed.at(0).toLatin1());  // opens the cell editor with the key
                auto* editor = qobject_cast<QLineEdit*>(f.DBGrid->cellEditor());
                QVERIFY2(editor, c.typed);
                QTest::keyClicks(editor, typed.mid(1));
                QCOMPARE(editor->text(), QString::fromLatin1(c.stored));
                QCOMPARE(f.ClientDataSet->state(), zv::dsEdit);
                QVERIFY(f.DBNavigator->button(zv::nbPost)->isEnabled());
                QVERIFY(f.DBNavigator->button(zv::nbCancel)->isEnabled());
                QCOMPARE(m.headerData(c.row, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("I"));
                f.close();  // no Enter, no Tab
            }
            zv::TClientDataSet back;
            back.loadFromFile("Clienti.xml");
            back.setRecNo(c.row + 1);
            QCOMPARE(back.fieldByName(c.field)->asString(), std::string(c.stored));
        }
    }

    // Columns are sized from the characters their fields hold: the sample rows fit whole, and at
    // the window's designed size there is no horizontal scroll bar.
    void sampleRowsFitTheirColumns()
    {
        CopySampleTable();
        TFormMain f;
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QCOMPARE(f.outerSize(), QSize(543, 301));
        auto& m = f.DBGrid->tableModel();
        const QFontMetrics fm(f.DBGrid->font());
        // The item delegate leaves a focus-frame margin and one pixel on each side of the text.
        const int margin = 2 * (f.DBGrid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, f.DBGrid) + 1);
        for (int r = 0; r < m.rowCount(); ++r)
            for (int c = 0; c < m.columnCount(); ++c) {
                const QString text = Cell(f, r, c);
                QVERIFY2(fm.horizontalAdvance(text) + margin <= f.DBGrid->columnWidth(c), qPrintable(text));
            }
        QApplication::processEvents();
        QCOMPARE(f.DBGrid->horizontalScrollBar()->maximum(), 0);
    }

    void deleteAsksAndDeletesOnlyOnOk()
    {
        CopySampleTable();
        TFormMain f;
        zv::TClientDataSet& ds = *f.ClientDataSet;
        f.DBNavigator->button(zv::nbNext)->click();
        zvtest::SeenBox seen;
        auto answered = zvtest::ClickMessageBoxButton(QMessageBox::Cancel, &seen);
        f.DBNavigator->button(zv::nbDelete)->click();
        QCOMPARE(seen.text, QStringLiteral("Delete record?"));
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(seen.buttons.size(), 2);
        QCOMPARE(ds.recordCount(), 40);
        QVERIFY(!ds.changed());
        answered = zvtest::ClickMessageBoxButton(QMessageBox::Ok);
        f.DBNavigator->button(zv::nbDelete)->click();
        QCOMPARE(ds.recordCount(), 39);
        QCOMPARE(Cell(f, 1, 0), QStringLiteral("Ferrari"));
        QCOMPARE(ds.fieldByName("Cognome")->asString(), std::string("Ferrari"));
        QVERIFY(ds.changed());
    }

    void reportButtonRunsShowReport()
    {
        zv::HeadlessUi headless;
        zv::SetUi(&headless);
        TFormMain f;
        f.Button->click();
        f.Button->click();
        // Without a preview window class the report says so; with one, a preview is opened.
        if (zv::PreviewClass()) {
            QCOMPARE(headless.messages.size(), size_t(0));
        } else {
            QCOMPARE(headless.messages.size(), size_t(2));
            QCOMPARE(headless.messages[0].text, std::string(zv::kMsgNoPreviewClass));
        }
        QCOMPARE(f.zvReport->EMFPages.Count(), 0);  // emptied when the preview is done
    }

    void descriptionRoundTrips()
    {
        CopySampleTable();
        std::string first, second;
        {
            TFormMain f;
            zv::FormWriter w;
            w.writeComponent(f);
            first = w.text();
        }
        QVERIFY(first.find("object Button: TButton") != std::string::npos);
        QVERIFY(first.find("Anchors = [akTop, akRight]") != std::string::npos);
        QVERIFY(first.find("DisplayLabel = 'Codice sanitario'") != std::string::npos);
        QVERIFY(first.find("AutoLoad = 'BarCodeDemo.zvf'") != std::string::npos);
        {
            TFormMain g(first);
            QCOMPARE(g.windowTitle(), QStringLiteral("Zelvo report BarCode Demo"));
            QCOMPARE(g.ClientDataSet->recordCount(), 40);
            zv::FormWriter w;
            w.writeComponent(g);
            second = w.text();
        }
        QCOMPARE(QString::fromStdString(second), QString::fromStdString(first));
    }

    void brokenDescriptionsFailWithTheLine_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown class") << "TDBGrid"
                                       << "TDBGridX"
                                       << "Class TDBGridX not found";
        QTest::newRow("bad align") << "alClient"
                                   << "alMiddle"
                                   << "Invalid property value";
        QTest::newRow("bad anchor") << "[akTop, akRight]"
                                    << "[akTop, akEast]"
                                    << "Invalid property value";
        QTest::newRow("missing method") << "ButtonClick"
                                        << "ButtonPress"
                                        << "Method ButtonPress not found";
        QTest::newRow("missing data source") << "DataSet = ClientDataSet"
                                             << "DataSet = Nothing"
                                             << "Component Nothing not found";
    }
    void brokenDescriptionsFailWithTheLine()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, message);
        QString text = QString::fromStdString(FormMainDescription());
        QVERIFY(text.contains(from));
        text.replace(from, to);
        try {
            TFormMain f(text.toStdString());
            QFAIL("no error");
        } catch (const zv::Exception& e) {
            QVERIFY2(QString::fromStdString(e.message()).contains(message), e.message().c_str());
        }
        QVERIFY(!zv::ApplicationRegistry::instance().findGlobalComponent("FormMain"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_MainWindow.moc"
