#pragma once

#include "Apoio.h"
#include "IntegridadeEmpresa.h"
#include "Moeda.h"

#include <QHash>
#include <QString>
#include <QStringList>

/// The pending quantity of every order line (ENC, ENV), by "TYPE/SERIES/NUMBER/YEAR/LINE".
using Pendentes = QHash<QString, Moeda>;
Pendentes pendentesDasEncomendas(BaseTeste& base);

/// The company database after documents were made: the report of the
/// program's own integrity check (entries ENT, Guias GR), and what only a test
/// can know, the order lines where what is pending now plus what live Guias
/// took is not what was pending before the first document.
struct EstadoBase {
    Integridade::Relatorio relatorio;
    QStringList pendentesAlterados;

    int quantos(Integridade::Categoria categoria) const { return relatorio.quantos(categoria); }
    const Integridade::Contagens& contagens() const { return relatorio.contagens; }
    bool sa() const { return relatorio.sa() && pendentesAlterados.isEmpty(); }
    /// The report and the changed pending quantities, for a test's message.
    QString resumo() const;
};

/// Checks the documents in the database, and the pending quantities of the
/// order lines against `inicio`, taken before any document was made.
EstadoBase verificarBase(BaseTeste& base, const Pendentes& inicio);

/// Every row of every company table, in a fixed order: two pictures are equal
/// when nothing in the database changed.
QString retratoDaBase(BaseTeste& base);

/// The ERP company "DEMO" and its user "op" with password "segredo".
void prepararErp(BaseTeste& base);
