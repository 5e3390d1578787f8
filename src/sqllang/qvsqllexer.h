#pragma once

#include <Qsci/qscilexercustom.h>

#include <QSet>
#include <QStringList>

struct TqvEditorSettings;

// The SQL colouring of the editor control: comments, literals and quoted names, numbers and
// the reserved words of the user's list (ReserveWordList), compared without regard to case.
// When the list's first word in sorted order contains "QVSTS", the list holds statement
// keywords: each entry is "QVSTS" followed by a phrase, and a word is coloured, together with
// the run it widens to (TokenStringStatsPack), when that run is listed.
//
// Styling is incremental: only the lines that the editor asks for are read, and each line
// remembers where a comment, literal or dollar quote still open at its end began, so that the
// next line resumes from there.
class TqvSqlLexer : public QsciLexerCustom
{
    Q_OBJECT

public:
    enum Style { Default = 0, Comment = 1, String = 2, Number = 3, Reserved = 4 };

    explicit TqvSqlLexer(QObject *parent = nullptr);

    const char *language() const override;
    QString description(int style) const override;
    void styleText(int start, int end) override;

    void setReserveWords(const QStringList &words);
    bool statementKeywordMode() const { return m_statementMode; }
    // Fonts and colours of the editor settings.
    void applySettings(const TqvEditorSettings &settings);

private:
    bool isReserved(const QString &word) const;

    QSet<QString> m_words; // upper case
    bool m_statementMode = false;
};
