#pragma once

#include <QString>
#include <optional>

namespace kestar {

class Engine;

// An article as a document line takes it over.
struct ArticleForLine
{
    QString code;
    QString name;
    QString groupCode;
    QString groupName;
};

// The article of magacin whose SIFRA is exactly the code (letter case and blanks count), found
// by a keyed search rather than a walk over the table; nothing when no article has that code.
// Errors of the table engine pass through.
std::optional<ArticleForLine> findArticle(Engine& engine, const QString& code);

} // namespace kestar
