#pragma once

#include <QtGlobal>

/// The outcome codes the ERP sessions give through UltimoErro and
/// EstadoOperacao::Codigo.
namespace CodigosErp {
constexpr qint32 Feito = -1;
/// Refused by the ERP's rules (missing client or article, not enough pending, ...).
constexpr qint32 Recusado = 1;
/// The database failed during the operation; nothing of it was stored.
constexpr qint32 ErroBaseDados = 2;
/// No ERP session is logged in.
constexpr qint32 SemSessao = 3;
} // namespace CodigosErp
