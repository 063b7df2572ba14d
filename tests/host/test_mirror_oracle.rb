require 'minitest/autorun'
require 'plugin_host'
require 'mirror_oracle'

# What Korvan receives against what SketchUp draws: after Start TwinLink, every material's
# triangles read back by korvan-peer from the shared batches (positions, normals and UVs in
# Korvan's frame) are the triangles that hostsim reckons from its own model, with its own
# traversal, transforms and visibility rules; and the vertex and index counts agree exactly.
class TestMirrorOracle < Minitest::Test
  include PluginHost::FreshModel
  include MirrorOracle

  # Starts the link on the model and compares once, as soon as the worker has published it: the
  # first publication comes after a complete pass.
  def assert_mirror_matches_the_model(model)
    @model = model
    start_saved
    PluginHost.wait_until_published(@path)
    assert_mirror_matches(model, @path, seconds: 0)
  end

  def test_the_sample_house_arrives_as_sketchup_draws_it
    triangles = assert_mirror_matches_the_model(HostSim.open_sample_house)
    assert_equal 1448, triangles, 'every face of the house, front and back'
  end

  # The roof's layer hidden: neither SketchUp nor Korvan shows the roof, the rest is unchanged.
  def test_the_sample_house_without_its_roof_layer_arrives_as_sketchup_draws_it
    model = HostSim.open_sample_house
    model.layers['Roof'].visible = false
    triangles = assert_mirror_matches_the_model(model)
    assert_operator triangles, :<, 1448, 'the roof is not drawn'
  end

  # Generated cities: blocks of buildings placed as groups and components, with many materials.
  def test_generated_cities_arrive_as_sketchup_draws_them
    [[7, 20_000], [1234, 20_000]].each do |seed, size|
      model = HostSim.open_city(seed, size)
      triangles = assert_mirror_matches_the_model(model)
      assert_operator triangles, :>=, size, "city #{seed}"
      PluginHost.stop_link
    end
  end
end
