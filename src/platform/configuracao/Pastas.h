#pragma once

#include <QString>

/// The folders the program knows of.
class Pastas final {
public:
    /// The base folder under which the maker's folder "tarnix" is looked for,
    /// without a trailing separator: the user's configuration folder
    /// (~/.config on Linux) unless a test set its own.
    QString pastaBase() const;
    /// The folder of the program's executable, without a trailing separator.
    static QString pastaAplicacao();

    /// Lets tests point the base folder (and the application folder) at folders
    /// of their own; an empty text puts the real one back.
    static void definirPastaBase(const QString& pasta);
    static void definirPastaAplicacao(const QString& pasta);
};

class Ficheiros final {
public:
    bool existePasta(const QString& caminho) const;
};

/// Joins a folder and a name written with backslashes ("\tarnix",
/// "\Catalogos\bd.sql"), using the platform's separator.
QString juntarCaminho(const QString& pasta, const QString& nomeComBarras);
