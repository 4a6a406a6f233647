#pragma once

#include <QString>

#include <utility>

/// The folders the program knows of: the real ones, or those a caller (a
/// test, a tool pointed elsewhere) gives in their place. A program makes one
/// and gives it to whatever looks for a file in them.
class Pastas final {
public:
    /// The real folders.
    Pastas() = default;
    /// `base` and `aplicacao` in place of the real folders; an empty one
    /// leaves the real one.
    Pastas(QString base, QString aplicacao) : m_base(std::move(base)), m_aplicacao(std::move(aplicacao)) {}

    /// The base folder under which the maker's folder "tarnix" is looked for,
    /// without a trailing separator: the user's configuration folder
    /// (~/.config on Linux) unless another was given.
    QString pastaBase() const;
    /// The folder of the program's executable (unless another was given),
    /// without a trailing separator.
    QString pastaAplicacao() const;

private:
    QString m_base;
    QString m_aplicacao;
};

class Ficheiros final {
public:
    bool existePasta(const QString& caminho) const;
};

/// Joins a folder and a name written with backslashes ("\tarnix",
/// "\Catalogos\bd.sql"), using the platform's separator.
QString juntarCaminho(const QString& pasta, const QString& nomeComBarras);
