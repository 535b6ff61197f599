#pragma once

#include <QLabel>

// A detail of the selected call, shown whole: plain text that wraps to the
// width it is given, at spaces and after the separators of paths and
// qualified names ("/", "\", "::", "->"), and anywhere in a long run
// without any. Copying gives the text as it is, without the invisible
// breaks. Only a text of thousands of characters loses its middle.
class DetailField final : public QLabel
{
    Q_OBJECT
public:
    explicit DetailField(QWidget *parent = nullptr);

    void setWholeText(const QString &text);
    // The text given, whole even where the field shows it cut.
    QString wholeText() const;

    // `text` with a zero-width space wherever a line may break in it.
    static QString withBreaks(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString selectedWholeText() const;

    QString m_whole;
};
