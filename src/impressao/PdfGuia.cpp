#include "PdfGuia.h"

#include "Erro.h"

#include <QPdfWriter>
#include <QSaveFile>

void escreverPdf(const DesenhoGuia& desenho, const GuiaImpressa& guia, int copias, const QString& caminho) {
    QSaveFile ficheiro(caminho);
    if (!ficheiro.open(QIODevice::WriteOnly))
        throw Erro(Erro::Ficheiro,
                   QStringLiteral("Não foi possível escrever \"%1\": %2").arg(caminho, ficheiro.errorString()));
    {
        QPdfWriter pdf(&ficheiro);
        pdf.setTitle(guia.nomeTipo + QLatin1Char(' ') + guia.identificacao());
        pdf.setCreator(QStringLiteral("Orlavane"));
        pdf.setResolution(600);
        desenho.desenhar(pdf, copias);
    }
    if (!ficheiro.commit())
        throw Erro(Erro::Ficheiro,
                   QStringLiteral("Não foi possível escrever \"%1\": %2").arg(caminho, ficheiro.errorString()));
}
