"""survey() and resolve() against what tintsurvey reports for the same archive."""

import json

import brackwater_dat as bd
import pytest

from conftest import run, tool


def tintsurvey_report(archive_path, out, limit):
    run(tool("tintsurvey"), "--portal-dat", str(archive_path), "--out", str(out),
        "--limit", str(limit))
    with open(out) as report:
        return {int(key, 16): tuple(rgb) for key, rgb in json.load(report).items()}


@pytest.mark.parametrize("limit", [0, 1, 37])
def test_survey_is_what_tintsurvey_reports(archive, sample_path, tmp_path, limit):
    expected = tintsurvey_report(sample_path, tmp_path / "report.json", limit)
    colors = archive.survey(limit=limit)
    assert colors == expected
    assert list(colors) == sorted(colors)


def test_resolve_gives_each_surface_its_survey_colour(archive):
    colors = archive.survey()
    for surface_id in archive.ids(0x08):
        if surface_id not in colors:
            with pytest.raises(bd.ResolveError):
                archive.resolve(surface_id)
            continue
        color = archive.resolve(surface_id)
        assert color.rgb == colors[surface_id]
        assert color.solid == (archive.surface(surface_id).color_value is not None)
