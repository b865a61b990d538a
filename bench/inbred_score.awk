# inbred_score.awk -- scores a calls file of a simulated inbred panel against
# its truth: AB rate of the inbred samples' calls, concordance of the F1 calls.
# awk -f inbred_score.awk PREFIX.truth PREFIX_calls
FNR == 1 { next }
FILENAME == ARGV[1] { for (i = 2; i <= NF; ++i) truth[FNR, i - 1] = $i; next }
{
    for (i = 4; i <= NF; ++i) {
        k = i - 3; t = truth[FNR, k]; c = $i
        total++
        if (c == 4) continue
        called++
        if (k <= n_inbred) { ic++; if (c == 2) iab++ }
        else { fc++; if (c == t) fok++ }
    }
}
END {
    printf "inbred AB rate %.3f%%  F1 concordance %.3f%%  call rate %.3f%%\n",
        100 * iab / ic, 100 * fok / fc, 100 * called / total
}
