#pragma once

#include "DesenhoGuia.h"

#include <QSaveFile>
#include <QString>

/// A PDF file about to receive a Guia. The file is opened first, so that a
/// path that cannot be written is told before the print is recorded; it is
/// replaced whole once written, or left as it was.
class FicheiroPdf final {
public:
    /// Raises Erro (Ficheiro) naming the file when it cannot be written.
    explicit FicheiroPdf(const QString& caminho);
    Q_DISABLE_COPY_MOVE(FicheiroPdf)

    /// Writes `copias` copies of the Guia as one PDF and puts the file in
    /// place. Raises Erro (Ficheiro) when it cannot.
    void escrever(const DesenhoGuia& desenho, int copias);

private:
    QString m_caminho;
    QSaveFile m_ficheiro;
};
