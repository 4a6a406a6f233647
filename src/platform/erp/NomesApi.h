#pragma once

#include <QString>
#include <QStringList>

/// The two object names the ERP's document API serves, exactly as written.
namespace NomesApi {
inline const QString Documento = QStringLiteral("ErpApi.DocumentoComercial");
inline const QString Linha = QStringLiteral("ErpApi.DocumentosGcLin");
/// The header object reached through DocumentoComercial::Cab().
inline const QString Cabecalho = QStringLiteral("ErpApi.DocumentoComercial.Cab");

/// The members a document header has, in the order the program writes them,
/// followed by what the ERP fills itself (Numero, read only, after a save).
const QStringList& membrosCabecalho();
/// The members a document line has (Unidade is filled by SugereValoresLin).
const QStringList& membrosLinha();
} // namespace NomesApi
