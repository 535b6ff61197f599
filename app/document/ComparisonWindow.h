#pragma once

#include "ProfileComparison.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>

class ComparisonModel;
class DocumentController;
class MyDocument;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;

// A window comparing the profiles of two open documents: the comparison's
// table with a filter field, the event compared (one both profiles record)
// and the roots' figures. It follows the registry: a document read again is
// compared anew; while one of the two is closed the table is empty, until
// its file is open again. Double-clicking a row shows the function in the
// summary of each document that calls it (see rowActivated).
class ComparisonWindow final : public QMainWindow
{
    Q_OBJECT
public:
    ComparisonWindow(DocumentController &registry, MyDocument &before, MyDocument &after);
    ~ComparisonWindow() override;

    ComparisonModel &model() const { return *m_model; }
    QTableView *tableView() const { return m_table; }
    QLineEdit *filterField() const { return m_filter; }
    QComboBox *eventChooser() const { return m_events; }
    // The roots' figures, or why nothing is compared.
    QLabel *statusLabel() const { return m_status; }
    // The document of a side, or null while its file is closed.
    MyDocument *document(ProfileComparison::Side side) const { return m_documents[side]; }

    // A double-click or Enter on a row: shows its function in the summary
    // of each document that calls it; the summary of a document that does
    // not shows no function selected, and the status bar says why.
    void rowActivated(int row);

Q_SIGNALS:
    void closed(ComparisonWindow *window);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void documentRead(MyDocument *document);
    void documentClosed(MyDocument *document);
    // Compares the documents' profiles again, in the chosen event if both
    // still record it.
    void compare();
    void updateStatus();

    DocumentController &m_registry;
    std::array<QString, 2> m_paths;
    std::array<QPointer<MyDocument>, 2> m_documents;
    std::unique_ptr<ComparisonModel> m_model;
    // Owned by the window.
    QComboBox *m_events;
    QLineEdit *m_filter;
    QLabel *m_status;
    QTableView *m_table;
};
