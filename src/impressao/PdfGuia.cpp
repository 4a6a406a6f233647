#include "PdfGuia.h"

#include "Erro.h"

#include <QPdfWriter>

FicheiroPdf::FicheiroPdf(const QString& caminho) : m_caminho(caminho), m_ficheiro(caminho) {
    if (!m_ficheiro.open(QIODevice::WriteOnly))
        throw Erro(Erro::Ficheiro,
                   QStringLiteral("Não foi possível escrever \"%1\": %2").arg(caminho, m_ficheiro.errorString()));
}

void FicheiroPdf::escrever(const DesenhoGuia& desenho, int copias) {
    {
        QPdfWriter pdf(&m_ficheiro);
        pdf.setTitle(desenho.guia().nomeTipo + QLatin1Char(' ') + desenho.guia().identificacao());
        pdf.setCreator(QStringLiteral("Orlavane"));
        pdf.setResolution(600);
        desenho.desenhar(pdf, copias);
    }
    if (!m_ficheiro.commit())
        throw Erro(Erro::Ficheiro,
                   QStringLiteral("Não foi possível escrever \"%1\": %2").arg(m_caminho, m_ficheiro.errorString()));
}
