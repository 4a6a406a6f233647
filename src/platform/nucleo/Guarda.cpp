#include "Guarda.h"

void Guarda::erroFatal(int numero, const QString& texto) {
    if (m_terminado)
        return;
    m_terminado = true;
    m_mensagens.caixa(QStringLiteral("Orlavane"), QStringLiteral("Erro %1: %2").arg(numero).arg(texto),
                      Mensagens::Botoes::Ok, Mensagens::Icone::Critico);
    m_mensagens.terminar(1);
}
