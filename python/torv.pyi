"""Point-mass flight trajectories: the presets, scenario files, runs, sweeps and
studies of torv-batch from Python. Runs from several threads go side by side
(each on a state of its own, with the GIL released), with the numbers each
gives alone."""

import os
from typing import Any

import numpy as np
import numpy.typing as npt

_Path = str | os.PathLike[str]

def presets() -> list[tuple[int, str, str]]:
    """The 34 presets as (number, vehicle class, name)."""

class Scenario:
    name: str
    vehicle_class: str
    aero: float
    MassaStart: float
    H0: float
    V0: float
    RSAT: float
    S0: float
    Cx: float
    Cy: float
    TTO: float
    Q0: float
    Tk: float
    Hk: float
    Vk: float
    dt0: float
    Vwind: float
    Auftriebplus: float
    Gasverlust: float
    Mt: float
    Iud: float
    Schub: float
    Mdv: float
    GasDensity: float
    HFlug: float
    @property
    def inputs(self) -> dict[str, float]: ...
    @staticmethod
    def preset(number: int) -> Scenario: ...
    @staticmethod
    def load(path: _Path) -> Scenario: ...
    def save(self, path: _Path) -> None: ...

class Result:
    @property
    def samples(self) -> dict[str, npt.NDArray[np.float64]]: ...
    @property
    def time(self) -> npt.NDArray[np.float64]: ...
    @property
    def units(self) -> dict[str, str]: ...
    @property
    def file_units(self) -> dict[str, tuple[str, float]]: ...
    @property
    def summary(self) -> dict[str, float]: ...
    def step_check(self) -> dict[str, float]: ...
    def to_pandas(self) -> Any: ...
    def write_sample_file(self, directory: _Path = ".") -> str: ...

def run(scenario: Scenario, **inputs: float) -> Result: ...
def sweep(
    scenario: Scenario,
    *,
    threads: int = 1,
    **ranges: tuple[float, float, int] | tuple[str, float, float, int] | list[float],
) -> npt.NDArray[np.void]: ...
def study(
    scenario: Scenario,
    *,
    runs: int,
    seed: int = 0,
    threads: int = 1,
    **laws: tuple[str, float, float] | tuple[str, float, float, float],
) -> tuple[npt.NDArray[np.void], dict[str, dict[str, float]]]: ...
def sensitivity(scenario: Scenario, *, delta: float = 0.01, inputs: list[str] = ...) -> npt.NDArray[np.void]: ...
def solve(scenario: Scenario, column: str, value: float, **range: tuple[float, float]) -> list[dict[str, Any]]: ...
def maximize(scenario: Scenario, column: str, **range: tuple[float, float]) -> dict[str, Any] | None: ...
def minimize(scenario: Scenario, column: str, **range: tuple[float, float]) -> dict[str, Any] | None: ...
